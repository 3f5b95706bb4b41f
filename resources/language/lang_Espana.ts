<?xml version='1.0' encoding='utf-8'?>
<TS version="2.1" language="es_ES" sourcelanguage="zh_CN">
<context>
    <name>FunctionModel</name>
    <message>
        <source>正在扫描设备......</source>
        <translation>Buscando dispositivos......</translation>
    </message>
    <message>
        <source>检测到设备，正在等待连接，请稍候......</source>
        <translation>Dispositivo detectado, esperando la conexión, espere......</translation>
    </message>
    <message>
        <source>设备和软件不匹配!请检查软件或设备。</source>
        <translation>¡El dispositivo no coincide con el software! Compruebe el software o el dispositivo.</translation>
    </message>
    <message>
        <source>设备正在连接中，请稍候......</source>
        <translation>El dispositivo se está conectando, espere......</translation>
    </message>
</context>
<context>
    <name>TempHint</name>
    <message>
        <source>高温模式测试中，此设备暂无适配</source>
        <translation>El modo de alta temperatura está en pruebas y aún no está disponible para este dispositivo.</translation>
    </message>
    <message>
        <source>确定</source>
        <translation>Aceptar</translation>
    </message>
</context>
</TS>