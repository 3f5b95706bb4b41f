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
    <message>
        <source>抓拍图片未能保存</source>
        <translation>No se pudo guardar la captura</translation>
    </message>
    <message>
        <source>请检查文件夹和磁盘空间</source>
        <translation>Compruebe la carpeta y el espacio libre en disco</translation>
    </message>
    <message>
        <source>录像已停止：无法写入文件</source>
        <translation>Grabación detenida: no se puede escribir el archivo</translation>
    </message>
    <message>
        <source>录像未能开始</source>
        <translation>No se pudo iniciar la grabación</translation>
    </message>
</context>
<context>
    <name>DualLightBar</name>
    <message>
        <source>混合</source>
        <translation>Mezcla</translation>
    </message>
    <message>
        <source>均值加权</source>
        <translation>Media ponderada</translation>
    </message>
    <message>
        <source>细节注入</source>
        <translation>Detalle</translation>
    </message>
    <message>
        <source>融合模式</source>
        <translation>Fusión</translation>
    </message>
    <message>
        <source>红外与可见光图像的融合方式</source>
        <translation>Cómo se fusionan las imágenes infrarroja y visible</translation>
    </message>
    <message>
        <source>上移</source>
        <translation>Subir</translation>
    </message>
    <message>
        <source>下移</source>
        <translation>Bajar</translation>
    </message>
    <message>
        <source>视差+</source>
        <translation>Paralaje +</translation>
    </message>
    <message>
        <source>视差-</source>
        <translation>Paralaje −</translation>
    </message>
    <message>
        <source>对齐复位</source>
        <translation>Restablecer alineación</translation>
    </message>
    <message>
        <source>红外图像上移一个像素（Page Up）</source>
        <translation>Subir la imagen infrarroja un píxel (Re Pág)</translation>
    </message>
    <message>
        <source>红外图像下移一个像素（Page Down）</source>
        <translation>Bajar la imagen infrarroja un píxel (Av Pág)</translation>
    </message>
    <message>
        <source>增大视差：物体更近（+键）</source>
        <translation>Más paralaje: el objeto está más cerca (tecla +)</translation>
    </message>
    <message>
        <source>减小视差：物体更远（-键）</source>
        <translation>Menos paralaje: el objeto está más lejos (tecla -)</translation>
    </message>
    <message>
        <source>恢复出厂对齐</source>
        <translation>Volver a la alineación de fábrica</translation>
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
    <message>
        <source>未读到出厂标定数据，将使用默认数据，请检查串口连接情况！</source>
        <translation>No se leyeron los datos de calibración de fábrica; se usarán los datos predeterminados. ¡Compruebe la conexión serie!</translation>
    </message>
    <message>
        <source>无法打开摄像头 %1：没有读写权限。请安装本软件的 udev 规则后重新插入摄像头，或将用户加入 video 组。</source>
        <translation>No se puede abrir la cámara %1: sin permiso de lectura y escritura. Instale las reglas udev de este programa y vuelva a conectar la cámara, o añada el usuario al grupo video.</translation>
    </message>
    <message>
        <source>摄像头 %1 的标定数据无法读取，无法测量温度，未连接。</source>
        <translation>No se pueden leer los datos de calibración de la cámara %1, por lo que no puede medir temperaturas; no conectada.</translation>
    </message>
    <message>
        <source>摄像头 %1 不提供所需的图像格式，未连接。</source>
        <translation>La cámara %1 no ofrece el formato de imagen necesario; no conectada.</translation>
    </message>
</context>
<context>
    <name>Hot3DWidget</name>
    <message>
        <source>此电脑不支持OpenGL，无法显示三维热场。其他功能不受影响。</source>
        <translation>Este equipo no ofrece OpenGL, así que no se puede mostrar el campo térmico 3D. Todo lo demás funciona.</translation>
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
        <translation>Detener</translation>
    </message>
    <message>
        <source>开始录像</source>
        <translation>Grabar</translation>
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
    <message>
        <source>升级未能完成，仍在使用原来的版本。</source>
        <translation>No se pudo completar la actualización; se sigue usando la versión anterior.</translation>
    </message>
    <message>
        <source>超分辨率不可用：模型文件无法加载</source>
        <translation>La superresolución no está disponible: no se pudo cargar el archivo del modelo</translation>
    </message>
    <message>
        <source>双光融合画面不使用超分辨率</source>
        <translation>La superresolución no se aplica a la fusión de doble luz</translation>
    </message>
    <message>
        <source>未检测到热像仪</source>
        <translation>No se detecta ninguna cámara térmica</translation>
    </message>
    <message>
        <source>导入2D图片</source>
        <translation>Importar una fotografía de la placa</translation>
    </message>
    <message>
        <source>图片 (*.png *.jpg *.jpeg *.bmp)</source>
        <translation>Imágenes (*.png *.jpg *.jpeg *.bmp)</translation>
    </message>
    <message>
        <source>请导入图片</source>
        <translation>Importe una imagen</translation>
    </message>
    <message>
        <source>配准中……</source>
        <translation>Registrando……</translation>
    </message>
    <message>
        <source>板图配准</source>
        <translation>Foto de placa</translation>
    </message>
    <message>
        <source>1.2D图片选择错误。</source>
        <translation>1. Se eligió una imagen 2D equivocada.</translation>
    </message>
    <message>
        <source>2.热成像中的物体轮廓过小。</source>
        <translation>2. El contorno del objeto en la imagen térmica es demasiado pequeño.</translation>
    </message>
    <message>
        <source>3.热成像中的物体轮廓不够明显。</source>
        <translation>3. El contorno del objeto en la imagen térmica no es lo bastante nítido.</translation>
    </message>
    <message>
        <source>4.热成像中有其他发热物体的轮廓干扰。</source>
        <translation>4. Contornos de otros objetos calientes interfieren en la imagen térmica.</translation>
    </message>
    <message>
        <source>5.热成像中的物体轮廓不完整。</source>
        <translation>5. El contorno del objeto en la imagen térmica está incompleto.</translation>
    </message>
    <message>
        <source>匹配失败的可能原因</source>
        <translation>Posibles motivos del fallo de la correspondencia</translation>
    </message>
    <message>
        <source>未能把图片配准到热图像上。</source>
        <translation>No se pudo superponer la imagen a la imagen térmica.</translation>
    </message>
    <message>
        <source>热图像中没有找到电路板。</source>
        <translation>No se encontró ninguna placa en la imagen térmica.</translation>
    </message>
    <message>
        <source>缺少电路板模板文件 PCB/test_temple.yaml。</source>
        <translation>Falta el archivo de plantilla de la placa PCB/test_temple.yaml.</translation>
    </message>
    <message>
        <source>图片无法读取。</source>
        <translation>No se puede leer la imagen.</translation>
    </message>
    <message>
        <source>图片中的电路板与热图像中的不符。</source>
        <translation>La placa de la imagen no coincide con la de la imagen térmica.</translation>
    </message>
    <message>
        <source>区域比一块电路板还宽，未添加：请在一块板上画</source>
        <translation>La región es más ancha que una placa y no se añadió: dibújela sobre una placa.</translation>
    </message>
    <message>
        <source>请输入 %1 到 %2 之间的温度</source>
        <translation>Introduzca una temperatura de %1 a %2</translation>
    </message>
    <message>
        <source>未连接设备，无法重置校准</source>
        <translation>No hay cámara conectada: la calibración no se restableció</translation>
    </message>
    <message>
        <source>已重置校准</source>
        <translation>Calibración restablecida</translation>
    </message>
    <message>
        <source>已打开 %1</source>
        <translation>Abierto %1</translation>
    </message>
    <message>
        <source>没有程序能打开 %1</source>
        <translation>Ningún programa puede abrir %1</translation>
    </message>
    <message>
        <source>相机未接受重置校准命令</source>
        <translation>La cámara no aceptó el restablecimiento de la calibración</translation>
    </message>
    <message>
        <source>没有温度数据</source>
        <translation>Sin datos de temperatura</translation>
    </message>
    <message>
        <source>标准板未能保存：%1</source>
        <translation>La placa de referencia no se guardó: %1</translation>
    </message>
    <message>
        <source>标准板文件无法使用：%1</source>
        <translation>El archivo de placa de referencia no se puede usar: %1</translation>
    </message>
    <message>
        <source>保存标准板</source>
        <translation>Guardar placa ref.</translation>
    </message>
    <message>
        <source>标准板 (*.ovref)</source>
        <translation>Placa de referencia (*.ovref)</translation>
    </message>
    <message>
        <source>载入标准板</source>
        <translation>Cargar placa ref.</translation>
    </message>
    <message>
        <source>标准板已保存：%1</source>
        <translation>Placa de referencia guardada: %1</translation>
    </message>
    <message>
        <source>标准板由另一台相机（%1）拍摄</source>
        <translation>La placa de referencia se tomó con otra cámara (%1)</translation>
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
        <translation>Grabar</translation>
    </message>
    <message>
        <source>高温警告</source>
        <translation>Alarma</translation>
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
    <message>
        <source>项目主页</source>
        <translation>Página del proyecto</translation>
    </message>
    <message>
        <source>界面语言</source>
        <translation>Idioma de la interfaz</translation>
    </message>
    <message>
        <source>最小化</source>
        <translation>Minimizar</translation>
    </message>
    <message>
        <source>最大化/还原</source>
        <translation>Maximizar / restaurar</translation>
    </message>
    <message>
        <source>关闭</source>
        <translation>Cerrar</translation>
    </message>
    <message>
        <source>超分辨率显示</source>
        <translation>Visualización de superresolución</translation>
    </message>
    <message>
        <source>发邮件给技术支持</source>
        <translation>Escribir al soporte técnico</translation>
    </message>
    <message>
        <source>调色板：黑红白</source>
        <translation>Paleta: negro, rojo, blanco</translation>
    </message>
    <message>
        <source>调色板：黑蓝紫白</source>
        <translation>Paleta: negro, azul, violeta, blanco</translation>
    </message>
    <message>
        <source>调色板：灰度</source>
        <translation>Paleta: escala de grises</translation>
    </message>
    <message>
        <source>通用图像模式</source>
        <translation>Modo de imagen universal</translation>
    </message>
    <message>
        <source>细节增强图像模式</source>
        <translation>Modo de imagen con realce de detalles</translation>
    </message>
    <message>
        <source>高对比图像模式</source>
        <translation>Modo de imagen de alto contraste</translation>
    </message>
    <message>
        <source>上下翻转图像</source>
        <translation>Voltear la imagen verticalmente</translation>
    </message>
    <message>
        <source>左右翻转图像</source>
        <translation>Voltear la imagen horizontalmente</translation>
    </message>
    <message>
        <source>恢复默认视图（D键）</source>
        <translation>Restaurar la vista predeterminada (tecla D)</translation>
    </message>
    <message>
        <source>打开设置</source>
        <translation>Abrir la configuración</translation>
    </message>
    <message>
        <source>低温测量范围</source>
        <translation>Rango de medición de baja temperatura</translation>
    </message>
    <message>
        <source>高温测量范围</source>
        <translation>Rango de medición de alta temperatura</translation>
    </message>
    <message>
        <source>保存当前画面为图片</source>
        <translation>Guardar la vista actual como imagen</translation>
    </message>
    <message>
        <source>录制屏幕视频</source>
        <translation>Grabar un vídeo de la pantalla</translation>
    </message>
    <message>
        <source>最高温度超过阈值时报警（A键）</source>
        <translation>Alarma cuando el punto más caliente supera el umbral (tecla A)</translation>
    </message>
    <message>
        <source>报警阈值</source>
        <translation>Umbral de alarma</translation>
    </message>
    <message>
        <source>实时图像与全部测量工具</source>
        <translation>Imagen en vivo con todas las herramientas de medición</translation>
    </message>
    <message>
        <source>左半为标准板，右半为待测板</source>
        <translation>Placa de referencia en la mitad izquierda, placa a probar en la derecha</translation>
    </message>
    <message>
        <source>三维热场分布</source>
        <translation>Distribución 3D del campo térmico</translation>
    </message>
    <message>
        <source>在图像上点击放置测温点</source>
        <translation>Haga clic en la imagen para colocar un punto de medición</translation>
    </message>
    <message>
        <source>在图像上拖出矩形区域</source>
        <translation>Arrastre un rectángulo sobre la imagen</translation>
    </message>
    <message>
        <source>逐点点击多边形，右键或双击结束</source>
        <translation>Haga clic en las esquinas del polígono; clic derecho o doble clic para terminar</translation>
    </message>
    <message>
        <source>只给选定区域上色</source>
        <translation>Colorear solo las regiones elegidas</translation>
    </message>
    <message>
        <source>突出最热点附近的温度（M键）</source>
        <translation>Resaltar temperaturas cercanas al punto más caliente (tecla M)</translation>
    </message>
    <message>
        <source>打开抓拍文件夹</source>
        <translation>Abrir la carpeta de capturas</translation>
    </message>
    <message>
        <source>打开录像文件夹</source>
        <translation>Abrir la carpeta de grabaciones</translation>
    </message>
    <message>
        <source>导入电路板照片，叠加到热图像上；再按一次去掉</source>
        <translation>Importar una fotografía de la placa y superponerla a la imagen térmica; pulse de nuevo para quitarla</translation>
    </message>
    <message>
        <source>板图配准</source>
        <translation>Foto de placa</translation>
    </message>
    <message>
        <source>待测板与标准板逐点相减，标出差异超过阈值的区域（Shift+方向键微调对准）</source>
        <translation>Resta la placa de referencia de la placa en prueba píxel a píxel y marca las zonas fuera del umbral (Mayús+flechas ajustan la alineación)</translation>
    </message>
    <message>
        <source>把视野中的整块板保存为标准板文件</source>
        <translation>Guarda la placa completa a la vista como archivo de placa de referencia</translation>
    </message>
    <message>
        <source>载入标准板文件，与视野中的整块板比较</source>
        <translation>Carga un archivo de placa de referencia y compara con él la placa completa a la vista</translation>
    </message>
    <message>
        <source>标准板差异</source>
        <translation>ΔT placa ref.</translation>
    </message>
    <message>
        <source>保存标准板</source>
        <translation>Guardar placa ref.</translation>
    </message>
    <message>
        <source>载入标准板</source>
        <translation>Cargar placa ref.</translation>
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
    <name>UpdateTip</name>
    <message>
        <source>确定</source>
        <translation>Aceptar</translation>
    </message>
    <message>
        <source>已有升级包下载完毕，请重启打开升级软件版本</source>
        <translation>Se ha descargado un paquete de actualización. Reinicie el programa para abrir la nueva versión.</translation>
    </message>
    <message>
        <source>Pellin红外热成像</source>
        <translation>Pellin Imagen Térmica</translation>
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
    <message>
        <source>与标准板的差异（阈值外）：</source>
        <translation>Diferencias con la placa de referencia (fuera del umbral):</translation>
    </message>
    <message>
        <source>无</source>
        <translation>Ninguna</translation>
    </message>
    <message>
        <source>未找到可靠的对准：不显示差异。请把两块板放得更一致。</source>
        <translation>No se encontró una alineación fiable: no se muestra la diferencia. Coloque las dos placas de forma más parecida.</translation>
    </message>
    <message>
        <source>与标准板文件 %1 的差异（阈值外）：</source>
        <translation>Diferencias con el archivo de placa de referencia %1 (fuera del umbral):</translation>
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
<context>
    <name>settingDialog</name>
    <message>
        <source>设置</source>
        <translation>Ajustes</translation>
    </message>
    <message>
        <source>鼠标温度</source>
        <translation>Temperatura del puntero</translation>
    </message>
    <message>
        <source>保存窗口位置</source>
        <translation>Guardar posición de la ventana</translation>
    </message>
    <message>
        <source>告警声音</source>
        <translation>Sonido de alarma</translation>
    </message>
    <message>
        <source>3D对比等级</source>
        <translation>Nivel de suavizado 3D</translation>
    </message>
    <message>
        <source>温度单位</source>
        <translation>Unidad de temperatura</translation>
    </message>
    <message>
        <source>保存旋转和镜像</source>
        <translation>Guardar rotación y volteo</translation>
    </message>
    <message>
        <source>告警持续时间(s)</source>
        <translation>Duración de la alarma (s)</translation>
    </message>
    <message>
        <source>范围0到99</source>
        <translation>Rango de 0 a 99</translation>
    </message>
    <message>
        <source>速查固定温度</source>
        <translation>Rango fijo de revisión rápida</translation>
    </message>
    <message>
        <source>抓拍默认存储位置</source>
        <translation>Carpeta de capturas</translation>
    </message>
    <message>
        <source>录像默认存储位置</source>
        <translation>Carpeta de grabaciones</translation>
    </message>
    <message>
        <source>参数校正</source>
        <translation>Corrección de parámetros</translation>
    </message>
    <message>
        <source>发射率</source>
        <translation>Emisividad</translation>
    </message>
    <message>
        <source>距离</source>
        <translation>Distancia</translation>
    </message>
    <message>
        <source>湿度</source>
        <translation>Humedad</translation>
    </message>
    <message>
        <source>修正</source>
        <translation>Corrección</translation>
    </message>
    <message>
        <source>反射温度</source>
        <translation>Temperatura reflejada</translation>
    </message>
    <message>
        <source>环境温度</source>
        <translation>Temperatura ambiente</translation>
    </message>
    <message>
        <source>恢复默认</source>
        <translation>Restaurar valores</translation>
    </message>
    <message>
        <source>确定</source>
        <translation>Aceptar</translation>
    </message>
    <message>
        <source>取消</source>
        <translation>Cancelar</translation>
    </message>
    <message>
        <source>应用</source>
        <translation>Aplicar</translation>
    </message>
    <message>
        <source>范围%1到%2</source>
        <translation>Rango de %1 a %2</translation>
    </message>
</context>
</TS>