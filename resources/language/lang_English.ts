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
</TS>