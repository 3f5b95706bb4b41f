<?xml version='1.0' encoding='utf-8'?>
<TS version="2.1" language="es_ES" sourcelanguage="zh_CN">
<context>
    <name>AlertBox</name>
    <message>
        <source>警告</source>
        <translation>Advertencia</translation>
    </message>
    <message>
        <source>找不到文件夹路径</source>
        <translation>No se encuentra la ruta de la carpeta</translation>
    </message>
    <message>
        <source>请到设置中心设置路径</source>
        <translation>Configure la ruta en los ajustes</translation>
    </message>
    <message>
        <source>确定</source>
        <translation>Aceptar</translation>
    </message>
    <message>
        <source>取消</source>
        <translation>Cancelar</translation>
    </message>
</context>
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
<context>
    <name>chartDialog</name>
    <message>
        <source>合并</source>
        <translation>Combinar</translation>
    </message>
    <message>
        <source>分散</source>
        <translation>Separar</translation>
    </message>
    <message>
        <source>最高温</source>
        <translation>Temp. máx.</translation>
    </message>
    <message>
        <source>平均温</source>
        <translation>Temp. media</translation>
    </message>
    <message>
        <source>标准样品</source>
        <translation>Muestra de referencia</translation>
    </message>
    <message>
        <source>待测样品</source>
        <translation>Muestra en prueba</translation>
    </message>
</context>
</TS>