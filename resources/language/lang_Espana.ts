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
    <name>Orvik</name>
    <message>
        <source>设备已连接</source>
        <translation>Dispositivo conectado</translation>
    </message>
    <message>
        <source>设备未连接</source>
        <translation>Dispositivo no conectado</translation>
    </message>
    <message>
        <source>停止录像</source>
        <translation>Detener grabación</translation>
    </message>
    <message>
        <source>开始录像</source>
        <translation>Iniciar grabación</translation>
    </message>
    <message>
        <source>警告</source>
        <translation>Advertencia</translation>
    </message>
    <message>
        <source>无法写入以下文件夹，抓拍图片和录像将无法保存：</source>
        <translation>No se puede escribir en estas carpetas; no se podrán guardar capturas ni grabaciones:</translation>
    </message>
    <message>
        <source>请在设置中选择其他文件夹。</source>
        <translation>Elija otras carpetas en la configuración.</translation>
    </message>
</context>
<context>
    <name>OrvikForm</name>
    <message>
        <source>Pellin红外热成像</source>
        <translation>Pellin Imagen Térmica</translation>
    </message>
    <message>
        <source>超分辨率</source>
        <translation>Superresolución</translation>
    </message>
    <message>
        <source>通用</source>
        <translation>Universal</translation>
    </message>
    <message>
        <source>增强</source>
        <translation>Realce</translation>
    </message>
    <message>
        <source>高对比</source>
        <translation>Alto contraste</translation>
    </message>
    <message>
        <source>垂直翻转</source>
        <translation>Voltear vertical</translation>
    </message>
    <message>
        <source>水平翻转</source>
        <translation>Voltear horizontal</translation>
    </message>
    <message>
        <source>复位</source>
        <translation>Restablecer vista</translation>
    </message>
    <message>
        <source>设置</source>
        <translation>Ajustes</translation>
    </message>
    <message>
        <source>低温</source>
        <translation>Temp. baja</translation>
    </message>
    <message>
        <source>高温</source>
        <translation>Temp. alta</translation>
    </message>
    <message>
        <source>抓拍图片</source>
        <translation>Captura</translation>
    </message>
    <message>
        <source>开始录像</source>
        <translation>Iniciar grabación</translation>
    </message>
    <message>
        <source>高温警告</source>
        <translation>Alarma de temp. alta</translation>
    </message>
    <message>
        <source>重置校准</source>
        <translation>Restablecer calibración</translation>
    </message>
    <message>
        <source>重新校准显示温度数据</source>
        <translation>Recalibrar las temperaturas mostradas</translation>
    </message>
    <message>
        <source>PCBA速查</source>
        <translation>Revisión rápida PCBA</translation>
    </message>
    <message>
        <source>双板对比</source>
        <translation>Comparación de placas</translation>
    </message>
    <message>
        <source>热场分布</source>
        <translation>Campo térmico</translation>
    </message>
    <message>
        <source>点温度</source>
        <translation>Temperatura de punto</translation>
    </message>
    <message>
        <source>矩形区域温度</source>
        <translation>Temperatura de rectángulo</translation>
    </message>
    <message>
        <source>多边形区域曲线</source>
        <translation>Curva de polígono</translation>
    </message>
    <message>
        <source>区域细查</source>
        <translation>Búsqueda por regiones</translation>
    </message>
    <message>
        <source>漏电速查</source>
        <translation>Búsqueda de fugas</translation>
    </message>
    <message>
        <source>设备未连接</source>
        <translation>Dispositivo no conectado</translation>
    </message>
    <message>
        <source>设备ID:</source>
        <translation>ID del dispositivo:</translation>
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
    <name>ViewPort</name>
    <message>
        <source>未检测到热像仪</source>
        <translation>No se detecta ninguna cámara térmica</translation>
    </message>
    <message>
        <source>请将热像仪连接到电脑的USB接口</source>
        <translation>Conecte la cámara térmica a un puerto USB de este ordenador</translation>
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
<context>
    <name>installdriver</name>
    <message>
        <source>提示</source>
        <translation>Aviso</translation>
    </message>
    <message>
        <source>请安装以下驱动，否则程序不能正常运行</source>
        <translation>Instale los siguientes controladores; de lo contrario el programa no funcionará correctamente</translation>
    </message>
    <message>
        <source>安装驱动1</source>
        <translation>Instalar controlador 1</translation>
    </message>
    <message>
        <source>安装驱动2</source>
        <translation>Instalar controlador 2</translation>
    </message>
    <message>
        <source>安装驱动3</source>
        <translation>Instalar controlador 3</translation>
    </message>
    <message>
        <source>安装驱动4</source>
        <translation>Instalar controlador 4</translation>
    </message>
</context>
</TS>