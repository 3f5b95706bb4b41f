<?xml version='1.0' encoding='utf-8'?>
<TS version="2.1" language="en_US" sourcelanguage="zh_CN">
<context>
    <name>AlertBox</name>
    <message>
        <source>警告</source>
        <translation>Warning</translation>
    </message>
    <message>
        <source>找不到文件夹路径</source>
        <translation>Folder path not found</translation>
    </message>
    <message>
        <source>请到设置中心设置路径</source>
        <translation>Please set the path in the settings</translation>
    </message>
    <message>
        <source>确定</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>取消</source>
        <translation>Cancel</translation>
    </message>
    <message>
        <source>抓拍图片未能保存</source>
        <translation>The snapshot could not be saved</translation>
    </message>
    <message>
        <source>请检查文件夹和磁盘空间</source>
        <translation>Check the folder and the free disk space</translation>
    </message>
    <message>
        <source>录像已停止：无法写入文件</source>
        <translation>Recording stopped: the file cannot be written</translation>
    </message>
    <message>
        <source>录像未能开始</source>
        <translation>The recording could not start</translation>
    </message>
</context>
<context>
    <name>DualLightBar</name>
    <message>
        <source>混合</source>
        <translation>Blend</translation>
    </message>
    <message>
        <source>均值加权</source>
        <translation>Weighted mean</translation>
    </message>
    <message>
        <source>细节注入</source>
        <translation>Detail</translation>
    </message>
    <message>
        <source>融合模式</source>
        <translation>Fusion</translation>
    </message>
    <message>
        <source>红外与可见光图像的融合方式</source>
        <translation>How the infrared and visible images are fused</translation>
    </message>
    <message>
        <source>上移</source>
        <translation>Up</translation>
    </message>
    <message>
        <source>下移</source>
        <translation>Down</translation>
    </message>
    <message>
        <source>视差+</source>
        <translation>Parallax +</translation>
    </message>
    <message>
        <source>视差-</source>
        <translation>Parallax −</translation>
    </message>
    <message>
        <source>对齐复位</source>
        <translation>Reset alignment</translation>
    </message>
    <message>
        <source>红外图像上移一个像素（Page Up）</source>
        <translation>Move the infrared image up one pixel (Page Up)</translation>
    </message>
    <message>
        <source>红外图像下移一个像素（Page Down）</source>
        <translation>Move the infrared image down one pixel (Page Down)</translation>
    </message>
    <message>
        <source>增大视差：物体更近（+键）</source>
        <translation>More parallax: the object is nearer (+ key)</translation>
    </message>
    <message>
        <source>减小视差：物体更远（-键）</source>
        <translation>Less parallax: the object is farther (- key)</translation>
    </message>
    <message>
        <source>恢复出厂对齐</source>
        <translation>Back to the factory alignment</translation>
    </message>
</context>
<context>
    <name>FunctionModel</name>
    <message>
        <source>正在扫描设备......</source>
        <translation>Scanning for devices......</translation>
    </message>
    <message>
        <source>检测到设备，正在等待连接，请稍候......</source>
        <translation>Device detected, waiting for the connection, please wait......</translation>
    </message>
    <message>
        <source>设备和软件不匹配!请检查软件或设备。</source>
        <translation>The device does not match the software! Check the software or the device.</translation>
    </message>
    <message>
        <source>设备正在连接中，请稍候......</source>
        <translation>The device is connecting, please wait......</translation>
    </message>
    <message>
        <source>未读到出厂标定数据，将使用默认数据，请检查串口连接情况！</source>
        <translation>No factory calibration data was read; default data will be used. Check the serial connection!</translation>
    </message>
    <message>
        <source>无法打开摄像头 %1：没有读写权限。请安装本软件的 udev 规则后重新插入摄像头，或将用户加入 video 组。</source>
        <translation>Cannot open the camera %1: no read and write permission. Install this program's udev rules and plug the camera in again, or add the user to the group video.</translation>
    </message>
    <message>
        <source>摄像头 %1 的标定数据无法读取，无法测量温度，未连接。</source>
        <translation>The calibration data of the camera %1 cannot be read, so it cannot measure temperatures; not connected.</translation>
    </message>
    <message>
        <source>摄像头 %1 不提供所需的图像格式，未连接。</source>
        <translation>The camera %1 does not offer the picture format needed; not connected.</translation>
    </message>
</context>
<context>
    <name>Hot3DWidget</name>
    <message>
        <source>此电脑不支持OpenGL，无法显示三维热场。其他功能不受影响。</source>
        <translation>This computer offers no OpenGL, so the 3D heat field cannot be shown. Everything else works.</translation>
    </message>
</context>
<context>
    <name>Orvik</name>
    <message>
        <source>设备已连接</source>
        <translation>Device connected</translation>
    </message>
    <message>
        <source>设备未连接</source>
        <translation>Device not connected</translation>
    </message>
    <message>
        <source>停止录像</source>
        <translation>Stop</translation>
    </message>
    <message>
        <source>开始录像</source>
        <translation>Record</translation>
    </message>
    <message>
        <source>警告</source>
        <translation>Warning</translation>
    </message>
    <message>
        <source>无法写入以下文件夹，抓拍图片和录像将无法保存：</source>
        <translation>These folders cannot be written; snapshots and recordings cannot be saved:</translation>
    </message>
    <message>
        <source>请在设置中选择其他文件夹。</source>
        <translation>Choose other folders in the settings.</translation>
    </message>
    <message>
        <source>升级未能完成，仍在使用原来的版本。</source>
        <translation>The update could not be completed; the previous version is still in use.</translation>
    </message>
    <message>
        <source>超分辨率不可用：模型文件无法加载</source>
        <translation>Super resolution is unavailable: the model file could not be loaded</translation>
    </message>
    <message>
        <source>双光融合画面不使用超分辨率</source>
        <translation>Super resolution does not apply to the dual-light fusion</translation>
    </message>
    <message>
        <source>未检测到热像仪</source>
        <translation>No thermal camera detected</translation>
    </message>
    <message>
        <source>导入2D图片</source>
        <translation>Import a board photograph</translation>
    </message>
    <message>
        <source>图片 (*.png *.jpg *.jpeg *.bmp)</source>
        <translation>Pictures (*.png *.jpg *.jpeg *.bmp)</translation>
    </message>
    <message>
        <source>请导入图片</source>
        <translation>Please import a picture</translation>
    </message>
    <message>
        <source>配准中……</source>
        <translation>Registering……</translation>
    </message>
    <message>
        <source>板图配准</source>
        <translation>Board photo</translation>
    </message>
    <message>
        <source>1.2D图片选择错误。</source>
        <translation>1. The wrong 2D picture was chosen.</translation>
    </message>
    <message>
        <source>2.热成像中的物体轮廓过小。</source>
        <translation>2. The object's outline in the thermal image is too small.</translation>
    </message>
    <message>
        <source>3.热成像中的物体轮廓不够明显。</source>
        <translation>3. The object's outline in the thermal image is not distinct enough.</translation>
    </message>
    <message>
        <source>4.热成像中有其他发热物体的轮廓干扰。</source>
        <translation>4. Outlines of other warm objects interfere in the thermal image.</translation>
    </message>
    <message>
        <source>5.热成像中的物体轮廓不完整。</source>
        <translation>5. The object's outline in the thermal image is incomplete.</translation>
    </message>
    <message>
        <source>匹配失败的可能原因</source>
        <translation>Possible reasons why matching failed</translation>
    </message>
    <message>
        <source>未能把图片配准到热图像上。</source>
        <translation>The picture could not be laid onto the thermal image.</translation>
    </message>
    <message>
        <source>热图像中没有找到电路板。</source>
        <translation>No board was found in the thermal image.</translation>
    </message>
    <message>
        <source>缺少电路板模板文件 PCB/test_temple.yaml。</source>
        <translation>The board's template file PCB/test_temple.yaml is missing.</translation>
    </message>
    <message>
        <source>图片无法读取。</source>
        <translation>The picture cannot be read.</translation>
    </message>
    <message>
        <source>图片中的电路板与热图像中的不符。</source>
        <translation>The board in the picture does not match the one in the thermal image.</translation>
    </message>
    <message>
        <source>区域比一块电路板还宽，未添加：请在一块板上画</source>
        <translation>The region is wider than one board and was not added: draw it on one board.</translation>
    </message>
    <message>
        <source>请输入 %1 到 %2 之间的温度</source>
        <translation>Enter a temperature from %1 to %2</translation>
    </message>
    <message>
        <source>未连接设备，无法重置校准</source>
        <translation>No camera connected: the calibration was not reset</translation>
    </message>
    <message>
        <source>已重置校准</source>
        <translation>Calibration reset</translation>
    </message>
    <message>
        <source>已打开 %1</source>
        <translation>Opened %1</translation>
    </message>
    <message>
        <source>没有程序能打开 %1</source>
        <translation>No program can open %1</translation>
    </message>
    <message>
        <source>相机未接受重置校准命令</source>
        <translation>The camera did not accept the calibration reset</translation>
    </message>
    <message>
        <source>没有温度数据</source>
        <translation>No temperature data</translation>
    </message>
    <message>
        <source>标准板未能保存：%1</source>
        <translation>The golden board was not saved: %1</translation>
    </message>
    <message>
        <source>标准板文件无法使用：%1</source>
        <translation>The golden-board file cannot be used: %1</translation>
    </message>
    <message>
        <source>保存标准板</source>
        <translation>Save golden board</translation>
    </message>
    <message>
        <source>标准板 (*.ovref)</source>
        <translation>Golden board (*.ovref)</translation>
    </message>
    <message>
        <source>载入标准板</source>
        <translation>Load golden board</translation>
    </message>
    <message>
        <source>标准板已保存：%1</source>
        <translation>Golden board saved: %1</translation>
    </message>
    <message>
        <source>标准板由另一台相机（%1）拍摄</source>
        <translation>The golden board was taken with another camera (%1)</translation>
    </message>
</context>
<context>
    <name>OrvikForm</name>
    <message>
        <source>Pellin红外热成像</source>
        <translation>Pellin Thermal Imaging</translation>
    </message>
    <message>
        <source>超分辨率</source>
        <translation>Super resolution</translation>
    </message>
    <message>
        <source>通用</source>
        <translation>Universal</translation>
    </message>
    <message>
        <source>增强</source>
        <translation>Enhance</translation>
    </message>
    <message>
        <source>高对比</source>
        <translation>High contrast</translation>
    </message>
    <message>
        <source>垂直翻转</source>
        <translation>Flip vertical</translation>
    </message>
    <message>
        <source>水平翻转</source>
        <translation>Flip horizontal</translation>
    </message>
    <message>
        <source>复位</source>
        <translation>Reset view</translation>
    </message>
    <message>
        <source>设置</source>
        <translation>Settings</translation>
    </message>
    <message>
        <source>低温</source>
        <translation>Low temp.</translation>
    </message>
    <message>
        <source>高温</source>
        <translation>High temp.</translation>
    </message>
    <message>
        <source>抓拍图片</source>
        <translation>Snapshot</translation>
    </message>
    <message>
        <source>开始录像</source>
        <translation>Record</translation>
    </message>
    <message>
        <source>高温警告</source>
        <translation>Heat alarm</translation>
    </message>
    <message>
        <source>重置校准</source>
        <translation>Reset calibration</translation>
    </message>
    <message>
        <source>重新校准显示温度数据</source>
        <translation>Recalibrate the displayed temperatures</translation>
    </message>
    <message>
        <source>PCBA速查</source>
        <translation>PCBA quick check</translation>
    </message>
    <message>
        <source>双板对比</source>
        <translation>Board comparison</translation>
    </message>
    <message>
        <source>热场分布</source>
        <translation>Heat field</translation>
    </message>
    <message>
        <source>点温度</source>
        <translation>Point temperature</translation>
    </message>
    <message>
        <source>矩形区域温度</source>
        <translation>Rectangle temperature</translation>
    </message>
    <message>
        <source>多边形区域曲线</source>
        <translation>Polygon curve</translation>
    </message>
    <message>
        <source>区域细查</source>
        <translation>Region search</translation>
    </message>
    <message>
        <source>漏电速查</source>
        <translation>Leakage search</translation>
    </message>
    <message>
        <source>设备未连接</source>
        <translation>Device not connected</translation>
    </message>
    <message>
        <source>设备ID:</source>
        <translation>Device ID:</translation>
    </message>
    <message>
        <source>项目主页</source>
        <translation>Project page</translation>
    </message>
    <message>
        <source>界面语言</source>
        <translation>Interface language</translation>
    </message>
    <message>
        <source>最小化</source>
        <translation>Minimize</translation>
    </message>
    <message>
        <source>最大化/还原</source>
        <translation>Maximize / restore</translation>
    </message>
    <message>
        <source>关闭</source>
        <translation>Close</translation>
    </message>
    <message>
        <source>超分辨率显示</source>
        <translation>Super-resolution display</translation>
    </message>
    <message>
        <source>发邮件给技术支持</source>
        <translation>E-mail technical support</translation>
    </message>
    <message>
        <source>调色板：黑红白</source>
        <translation>Palette: black, red, white</translation>
    </message>
    <message>
        <source>调色板：黑蓝紫白</source>
        <translation>Palette: black, blue, violet, white</translation>
    </message>
    <message>
        <source>调色板：灰度</source>
        <translation>Palette: grey scale</translation>
    </message>
    <message>
        <source>通用图像模式</source>
        <translation>Universal image mode</translation>
    </message>
    <message>
        <source>细节增强图像模式</source>
        <translation>Detail-enhancing image mode</translation>
    </message>
    <message>
        <source>高对比图像模式</source>
        <translation>High-contrast image mode</translation>
    </message>
    <message>
        <source>上下翻转图像</source>
        <translation>Flip the image upside down</translation>
    </message>
    <message>
        <source>左右翻转图像</source>
        <translation>Mirror the image left to right</translation>
    </message>
    <message>
        <source>恢复默认视图（D键）</source>
        <translation>Restore the default view (key D)</translation>
    </message>
    <message>
        <source>打开设置</source>
        <translation>Open the settings</translation>
    </message>
    <message>
        <source>低温测量范围</source>
        <translation>Low-temperature measuring range</translation>
    </message>
    <message>
        <source>高温测量范围</source>
        <translation>High-temperature measuring range</translation>
    </message>
    <message>
        <source>保存当前画面为图片</source>
        <translation>Save the current view as a picture</translation>
    </message>
    <message>
        <source>录制屏幕视频</source>
        <translation>Record a video of the screen</translation>
    </message>
    <message>
        <source>最高温度超过阈值时报警（A键）</source>
        <translation>Alarm when the hottest point exceeds the threshold (key A)</translation>
    </message>
    <message>
        <source>报警阈值</source>
        <translation>Alarm threshold</translation>
    </message>
    <message>
        <source>实时图像与全部测量工具</source>
        <translation>Live image with all measurement tools</translation>
    </message>
    <message>
        <source>左半为标准板，右半为待测板</source>
        <translation>Reference board in the left half, board under test in the right half</translation>
    </message>
    <message>
        <source>三维热场分布</source>
        <translation>3D heat-field distribution</translation>
    </message>
    <message>
        <source>在图像上点击放置测温点</source>
        <translation>Click on the image to place a measuring point</translation>
    </message>
    <message>
        <source>在图像上拖出矩形区域</source>
        <translation>Drag a rectangle on the image</translation>
    </message>
    <message>
        <source>逐点点击多边形，右键或双击结束</source>
        <translation>Click the polygon's corners; right-click or double-click to finish</translation>
    </message>
    <message>
        <source>只给选定区域上色</source>
        <translation>Colour only the chosen regions</translation>
    </message>
    <message>
        <source>突出最热点附近的温度（M键）</source>
        <translation>Highlight temperatures near the hottest point (key M)</translation>
    </message>
    <message>
        <source>打开抓拍文件夹</source>
        <translation>Open the snapshot folder</translation>
    </message>
    <message>
        <source>打开录像文件夹</source>
        <translation>Open the recording folder</translation>
    </message>
    <message>
        <source>导入电路板照片，叠加到热图像上；再按一次去掉</source>
        <translation>Import a photograph of the board and lay it over the thermal image; press again to remove it</translation>
    </message>
    <message>
        <source>板图配准</source>
        <translation>Board photo</translation>
    </message>
    <message>
        <source>待测板与标准板逐点相减，标出差异超过阈值的区域（Shift+方向键微调对准）</source>
        <translation>Subtracts the golden board from the board under test pixel by pixel and marks the areas beyond the threshold (Shift+arrow keys nudge the alignment)</translation>
    </message>
    <message>
        <source>把视野中的整块板保存为标准板文件</source>
        <translation>Saves the whole board in view as a golden-board file</translation>
    </message>
    <message>
        <source>载入标准板文件，与视野中的整块板比较</source>
        <translation>Loads a golden-board file and compares the whole board in view with it</translation>
    </message>
    <message>
        <source>标准板差异</source>
        <translation>Golden board ΔT</translation>
    </message>
    <message>
        <source>保存标准板</source>
        <translation>Save golden board</translation>
    </message>
    <message>
        <source>载入标准板</source>
        <translation>Load golden board</translation>
    </message>
</context>
<context>
    <name>TempHint</name>
    <message>
        <source>高温模式测试中，此设备暂无适配</source>
        <translation>High-temperature mode is still under test and not yet available for this device.</translation>
    </message>
    <message>
        <source>确定</source>
        <translation>OK</translation>
    </message>
</context>
<context>
    <name>UpdateTip</name>
    <message>
        <source>确定</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>已有升级包下载完毕，请重启打开升级软件版本</source>
        <translation>An update package has been downloaded. Restart the program to open the new version.</translation>
    </message>
    <message>
        <source>Pellin红外热成像</source>
        <translation>Pellin Thermal Imaging</translation>
    </message>
</context>
<context>
    <name>ViewPort</name>
    <message>
        <source>未检测到热像仪</source>
        <translation>No thermal camera detected</translation>
    </message>
    <message>
        <source>请将热像仪连接到电脑的USB接口</source>
        <translation>Connect the thermal camera to a USB port of this computer</translation>
    </message>
    <message>
        <source>与标准板的差异（阈值外）：</source>
        <translation>Differences from the golden board (beyond the threshold):</translation>
    </message>
    <message>
        <source>无</source>
        <translation>None</translation>
    </message>
    <message>
        <source>未找到可靠的对准：不显示差异。请把两块板放得更一致。</source>
        <translation>No sound alignment found: no difference is shown. Lay the two boards more alike.</translation>
    </message>
    <message>
        <source>与标准板文件 %1 的差异（阈值外）：</source>
        <translation>Differences from the golden-board file %1 (beyond the threshold):</translation>
    </message>
</context>
<context>
    <name>chartDialog</name>
    <message>
        <source>合并</source>
        <translation>Merge</translation>
    </message>
    <message>
        <source>分散</source>
        <translation>Split</translation>
    </message>
    <message>
        <source>最高温</source>
        <translation>Max. temp.</translation>
    </message>
    <message>
        <source>平均温</source>
        <translation>Avg. temp.</translation>
    </message>
    <message>
        <source>标准样品</source>
        <translation>Reference sample</translation>
    </message>
    <message>
        <source>待测样品</source>
        <translation>Sample under test</translation>
    </message>
</context>
<context>
    <name>installdriver</name>
    <message>
        <source>提示</source>
        <translation>Notice</translation>
    </message>
    <message>
        <source>请安装以下驱动，否则程序不能正常运行</source>
        <translation>Please install the following drivers, otherwise the program cannot run normally</translation>
    </message>
    <message>
        <source>安装驱动1</source>
        <translation>Install driver 1</translation>
    </message>
    <message>
        <source>安装驱动2</source>
        <translation>Install driver 2</translation>
    </message>
    <message>
        <source>安装驱动3</source>
        <translation>Install driver 3</translation>
    </message>
    <message>
        <source>安装驱动4</source>
        <translation>Install driver 4</translation>
    </message>
</context>
<context>
    <name>settingDialog</name>
    <message>
        <source>设置</source>
        <translation>Settings</translation>
    </message>
    <message>
        <source>鼠标温度</source>
        <translation>Mouse temperature</translation>
    </message>
    <message>
        <source>保存窗口位置</source>
        <translation>Save window position</translation>
    </message>
    <message>
        <source>告警声音</source>
        <translation>Alarm sound</translation>
    </message>
    <message>
        <source>3D对比等级</source>
        <translation>3D smoothing level</translation>
    </message>
    <message>
        <source>温度单位</source>
        <translation>Temperature unit</translation>
    </message>
    <message>
        <source>保存旋转和镜像</source>
        <translation>Save rotation and mirroring</translation>
    </message>
    <message>
        <source>告警持续时间(s)</source>
        <translation>Alarm duration (s)</translation>
    </message>
    <message>
        <source>范围0到99</source>
        <translation>Range 0 to 99</translation>
    </message>
    <message>
        <source>速查固定温度</source>
        <translation>Quick-check fixed range</translation>
    </message>
    <message>
        <source>抓拍默认存储位置</source>
        <translation>Snapshot folder</translation>
    </message>
    <message>
        <source>录像默认存储位置</source>
        <translation>Recording folder</translation>
    </message>
    <message>
        <source>参数校正</source>
        <translation>Parameter correction</translation>
    </message>
    <message>
        <source>发射率</source>
        <translation>Emissivity</translation>
    </message>
    <message>
        <source>距离</source>
        <translation>Distance</translation>
    </message>
    <message>
        <source>湿度</source>
        <translation>Humidity</translation>
    </message>
    <message>
        <source>修正</source>
        <translation>Correction</translation>
    </message>
    <message>
        <source>反射温度</source>
        <translation>Reflected temperature</translation>
    </message>
    <message>
        <source>环境温度</source>
        <translation>Ambient temperature</translation>
    </message>
    <message>
        <source>恢复默认</source>
        <translation>Restore defaults</translation>
    </message>
    <message>
        <source>确定</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>取消</source>
        <translation>Cancel</translation>
    </message>
    <message>
        <source>应用</source>
        <translation>Apply</translation>
    </message>
    <message>
        <source>范围%1到%2</source>
        <translation>Range %1 to %2</translation>
    </message>
</context>
</TS>