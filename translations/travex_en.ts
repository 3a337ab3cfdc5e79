<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en" sourcelanguage="zh_CN">
<context>
    <name>CAboutBox</name>
    <message>
        <source>关于 Travex配置软件</source>
        <translation>About Travex Configuration Tool</translation>
    </message>
    <message>
        <source>Travex配置软件</source>
        <translation>Travex Configuration Tool</translation>
    </message>
    <message>
        <source>Travex配置软件 1.2 版</source>
        <translation>Travex Configuration Tool, version 1.2</translation>
    </message>
    <message>
        <source>数据记录仪参数配置工具</source>
        <translation>Settings tool for the data logger</translation>
    </message>
    <message>
        <source>确定</source>
        <translation>OK</translation>
    </message>
</context>
<context>
    <name>CConfigDlg</name>
    <message>
        <source>Travex配置软件V1.2</source>
        <translation>Travex Configuration Tool V1.2</translation>
    </message>
    <message>
        <source>串口信息</source>
        <translation>Serial port</translation>
    </message>
    <message>
        <source>串口号</source>
        <translation>Port</translation>
    </message>
    <message>
        <source>测试波特率</source>
        <translation>Test baud rate</translation>
    </message>
    <message>
        <source>设备地址</source>
        <translation>Address</translation>
    </message>
    <message>
        <source>查询</source>
        <translation>Query</translation>
    </message>
    <message>
        <source>设置</source>
        <translation>Set</translation>
    </message>
    <message>
        <source>设备波特率</source>
        <translation>Baud rate</translation>
    </message>
    <message>
        <source>基础参数</source>
        <translation>Base settings</translation>
    </message>
    <message>
        <source>设备通信波特率</source>
        <translation>Logger baud rate</translation>
    </message>
    <message>
        <source>校验方式</source>
        <translation>Parity</translation>
    </message>
    <message>
        <source>485轮询间隔</source>
        <translation>RS-485 poll interval</translation>
    </message>
    <message>
        <source>485超时时间</source>
        <translation>RS-485 timeout</translation>
    </message>
    <message>
        <source>485容错次数</source>
        <translation>RS-485 retries</translation>
    </message>
    <message>
        <source>存储间隔</source>
        <translation>Storage interval</translation>
    </message>
    <message>
        <source>液晶常亮时间</source>
        <translation>Display on time</translation>
    </message>
    <message>
        <source>当前时间:</source>
        <translation>Clock:</translation>
    </message>
    <message>
        <source>年</source>
        <translation>Year</translation>
    </message>
    <message>
        <source>月</source>
        <translation>Month</translation>
    </message>
    <message>
        <source>日</source>
        <translation>Day</translation>
    </message>
    <message>
        <source>时</source>
        <translation>Hour</translation>
    </message>
    <message>
        <source>分</source>
        <translation>Min</translation>
    </message>
    <message>
        <source>秒</source>
        <translation>Sec</translation>
    </message>
    <message>
        <source>当前</source>
        <translation>Now</translation>
    </message>
    <message>
        <source>---</source>
        <translation>---</translation>
    </message>
    <message>
        <source>读取参数</source>
        <translation>Read</translation>
    </message>
    <message>
        <source>写入参数</source>
        <translation>Write</translation>
    </message>
    <message>
        <source>参数设置1</source>
        <translation>Settings 1</translation>
    </message>
    <message>
        <source>通道选择</source>
        <translation>Channel</translation>
    </message>
    <message>
        <source>开关量报警数值</source>
        <translation>Switch alarm value</translation>
    </message>
    <message>
        <source>开关量报警显示内容</source>
        <translation>Switch alarm text</translation>
    </message>
    <message>
        <source>开关量正常显示内容</source>
        <translation>Switch normal text</translation>
    </message>
    <message>
        <source>遥调档位</source>
        <translation>Remote step</translation>
    </message>
    <message>
        <source>内容</source>
        <translation>Text</translation>
    </message>
    <message>
        <source>数值</source>
        <translation>Value</translation>
    </message>
    <message>
        <source>参数设置2</source>
        <translation>Settings 2</translation>
    </message>
    <message>
        <source>MODBUS从站地址</source>
        <translation>Modbus slave address</translation>
    </message>
    <message>
        <source>启用</source>
        <translation>Enabled</translation>
    </message>
    <message>
        <source>MODBUS功能码</source>
        <translation>Modbus function code</translation>
    </message>
    <message>
        <source>小数点位数</source>
        <translation>Decimals</translation>
    </message>
    <message>
        <source>寄存器起始地址</source>
        <translation>First register</translation>
    </message>
    <message>
        <source>寄存器个数</source>
        <translation>Register count</translation>
    </message>
    <message>
        <source>数据类型</source>
        <translation>Data type</translation>
    </message>
    <message>
        <source>通道名称</source>
        <translation>Channel name</translation>
    </message>
    <message>
        <source>通道单位</source>
        <translation>Channel unit</translation>
    </message>
    <message>
        <source>系数A</source>
        <translation>Coefficient A</translation>
    </message>
    <message>
        <source>系数B</source>
        <translation>Coefficient B</translation>
    </message>
    <message>
        <source>数据导入</source>
        <translation>Import</translation>
    </message>
    <message>
        <source>数据导出</source>
        <translation>Export</translation>
    </message>
    <message>
        <source>全部读取</source>
        <translation>Read all</translation>
    </message>
    <message>
        <source>全部写入</source>
        <translation>Write all</translation>
    </message>
</context>
<context>
    <name>dialog</name>
    <message>
        <source>全部写入尚未完成，现在退出会使记录仪的参数只写入一部分。
确定要退出吗？</source>
        <translation>Write all has not finished; quitting now leaves the logger only partly written.
Quit anyway?</translation>
    </message>
    <message>
        <source>全部读取尚未完成。
确定要退出吗？</source>
        <translation>Read all has not finished.
Quit anyway?</translation>
    </message>
    <message>
        <source>参数已修改，但尚未写入记录仪，也未导出到参数文件。
退出后这些修改将丢失，确定要退出吗？</source>
        <translation>Settings were changed but neither written to the logger nor exported to a parameter file.
Quitting loses these changes. Quit anyway?</translation>
    </message>
    <message>
        <source>请先打开串口</source>
        <translation>Open the serial port first</translation>
    </message>
    <message>
        <source>正在测试波特率：%1</source>
        <translation>Testing the baud rate: %1</translation>
    </message>
    <message>
        <source>第 %1 个，共 %2 个</source>
        <translation>%1 of %2</translation>
    </message>
    <message>
        <source>没有导出参数文件。</source>
        <translation>No parameter file was exported.</translation>
    </message>
    <message>
        <source>参数文件写入失败：%1</source>
        <translation>Cannot write the parameter file: %1</translation>
    </message>
    <message>
        <source>参数文件读取失败：%1</source>
        <translation>Cannot read the parameter file: %1</translation>
    </message>
    <message>
        <source>没有写入任何参数。</source>
        <translation>No setting was written.</translation>
    </message>
    <message>
        <source>请先改正，再切换。</source>
        <translation>Correct it first, then switch.</translation>
    </message>
    <message>
        <source>还没有从记录仪读取参数，也没有导入参数文件。
全部写入会用面板上现在的值覆盖记录仪的全部参数：除已修改的以外，其余为启动时的默认值。
确定要写入吗？</source>
        <translation>No settings have been read from the logger and no parameter file was imported.
Write all overwrites every setting of the logger with the values now shown: apart from those you changed, these are the defaults of the start.
Write anyway?</translation>
    </message>
    <message>
        <source>%1结束，%2个数据块失败</source>
        <translation>%1 ended, %2 blocks failed</translation>
    </message>
    <message>
        <source>%1完成</source>
        <translation>%1 done</translation>
    </message>
    <message>
        <source>%1，系数未写入</source>
        <translation>%1, coefficients not written</translation>
    </message>
    <message>
        <source>系数未写入：记录仪未报告固件版本。
请先读取参数，再全部写入。</source>
        <translation>Coefficients not written: the logger did not report its firmware version.
Read the settings first, then write all.</translation>
    </message>
    <message>
        <source>%1，%2未完成</source>
        <translation>%1, %2 not completed</translation>
    </message>
    <message>
        <source>超时未响应</source>
        <translation>No answer (timeout)</translation>
    </message>
    <message>
        <source>帧错误</source>
        <translation>Frame error</translation>
    </message>
    <message>
        <source>写入成功</source>
        <translation>Written</translation>
    </message>
    <message>
        <source>读取成功</source>
        <translation>Read successfully</translation>
    </message>
    <message>
        <source>无效帧</source>
        <translation>Invalid frame</translation>
    </message>
    <message>
        <source>帧长度错误</source>
        <translation>Frame length error</translation>
    </message>
    <message>
        <source>帧结构错误</source>
        <translation>Frame structure error</translation>
    </message>
    <message>
        <source>全部写入</source>
        <translation>Write all</translation>
    </message>
    <message>
        <source>全部读取</source>
        <translation>Read all</translation>
    </message>
    <message>
        <source>读取基础参数</source>
        <translation>Reading base settings</translation>
    </message>
    <message>
        <source>写入基础参数</source>
        <translation>Writing base settings</translation>
    </message>
    <message>
        <source>读取参数1通道:%1</source>
        <translation>Reading set 1, channel %1</translation>
    </message>
    <message>
        <source>读取参数2通道:%1</source>
        <translation>Reading set 2, channel %1</translation>
    </message>
    <message>
        <source>写入参数1通道:%1</source>
        <translation>Writing set 1, channel %1</translation>
    </message>
    <message>
        <source>写入参数2通道:%1</source>
        <translation>Writing set 2, channel %1</translation>
    </message>
    <message>
        <source>串口打开失败</source>
        <translation>Cannot open the serial port</translation>
    </message>
    <message>
        <source>串口</source>
        <translation>The serial port</translation>
    </message>
    <message>
        <source>%1 正被其他程序占用。</source>
        <translation>%1 is in use by another program.</translation>
    </message>
    <message>
        <source>%1 正被其他程序占用：进程 %2。</source>
        <translation>%1 is in use by another program: process %2.</translation>
    </message>
    <message>
        <source>请先关闭该程序，再测试波特率。</source>
        <translation>Close that program first, then test the baud rate.</translation>
    </message>
    <message>
        <source>所选串口的设备不在（已拔出或未连接）：请接回设备，再测试波特率。</source>
        <translation>The device of the chosen port is not there (unplugged or not connected): plug it back in, then test the baud rate again.</translation>
    </message>
    <message>
        <source>该设备不接受串口设置，可能不是串口。</source>
        <translation>The device refuses serial settings; it may not be a serial port.</translation>
    </message>
    <message>
        <source>%1（sudo usermod -aG dialout 用户名），然后重新登录。</source>
        <translation>%1 (sudo usermod -aG dialout USERNAME), then log in again.</translation>
    </message>
    <message>
        <source>Travex配置软件</source>
        <translation>Travex Configuration Tool</translation>
    </message>
    <message>
        <source>载入参数1错误</source>
        <translation>Error loading set 1</translation>
    </message>
    <message>
        <source>载入参数2错误</source>
        <translation>Error loading set 2</translation>
    </message>
    <message>
        <source>载入参数3错误</source>
        <translation>Error loading set 3</translation>
    </message>
    <message>
        <source>载入系数错误</source>
        <translation>Error loading coefficients</translation>
    </message>
    <message>
        <source>正在全部读取/写入，请稍候</source>
        <translation>Read all / write all in progress, please wait</translation>
    </message>
    <message>
        <source>未发现串口</source>
        <translation>No serial port found</translation>
    </message>
    <message>
        <source>设备已断开</source>
        <translation>Device disconnected</translation>
    </message>
    <message>
        <source>请检查设备连接，然后重新测试波特率</source>
        <translation>Check the connection, then test the baud rate again</translation>
    </message>
    <message>
        <source>当前用户没有使用串口的权限：请把用户加入 dialout 组</source>
        <translation>You may not use serial ports: add your user to the dialout group</translation>
    </message>
    <message>
        <source>一个数值（例如 12.5、-3 或 1e3），绝对值不超过 3.4e38</source>
        <translation>a number (such as 12.5, -3 or 1e3) of at most 3.4e38 either way</translation>
    </message>
    <message>
        <source>允许的值：%1。</source>
        <translation>Allowed: %1.</translation>
    </message>
    <message>
        <source>“%1”的值“%2”无效。</source>
        <translation>The value &quot;%2&quot; of &quot;%1&quot; is not valid.</translation>
    </message>
    <message>
        <source>“%1”（%2）的值“%3”无效。</source>
        <translation>The value &quot;%3&quot; of &quot;%1&quot; (%2) is not valid.</translation>
    </message>
    <message>
        <source>当前时间（年）</source>
        <translation>Clock (year)</translation>
    </message>
    <message>
        <source>当前时间（月）</source>
        <translation>Clock (month)</translation>
    </message>
    <message>
        <source>当前时间（日）</source>
        <translation>Clock (day)</translation>
    </message>
    <message>
        <source>当前时间（时）</source>
        <translation>Clock (hour)</translation>
    </message>
    <message>
        <source>当前时间（分）</source>
        <translation>Clock (minute)</translation>
    </message>
    <message>
        <source>当前时间（秒）</source>
        <translation>Clock (second)</translation>
    </message>
    <message>
        <source>%1 到 %2 之间的整数</source>
        <translation>a whole number from %1 to %2</translation>
    </message>
    <message>
        <source>值 %1，不在列表中</source>
        <translation>Value %1, not in the list</translation>
    </message>
    <message>
        <source>485轮询间隔</source>
        <translation>RS-485 poll interval</translation>
    </message>
    <message>
        <source>485超时时间</source>
        <translation>RS-485 timeout</translation>
    </message>
    <message>
        <source>485容错次数</source>
        <translation>RS-485 retries</translation>
    </message>
    <message>
        <source>存储间隔</source>
        <translation>Storage interval</translation>
    </message>
    <message>
        <source>液晶常亮时间</source>
        <translation>Display on time</translation>
    </message>
    <message>
        <source>设备通信波特率错误</source>
        <translation>Logger baud rate not valid</translation>
    </message>
    <message>
        <source>奇偶校验错误</source>
        <translation>Parity not valid</translation>
    </message>
    <message>
        <source>开关量报警数值</source>
        <translation>Switch alarm value</translation>
    </message>
    <message>
        <source>%1 数值</source>
        <translation>%1 value</translation>
    </message>
    <message>
        <source>MODBUS从站地址</source>
        <translation>Modbus slave address</translation>
    </message>
    <message>
        <source>寄存器起始地址</source>
        <translation>First register</translation>
    </message>
    <message>
        <source>寄存器个数</source>
        <translation>Register count</translation>
    </message>
    <message>
        <source>系数A</source>
        <translation>Coefficient A</translation>
    </message>
    <message>
        <source>系数B</source>
        <translation>Coefficient B</translation>
    </message>
    <message>
        <source>没有可用的显示（DISPLAY 和 WAYLAND_DISPLAY 均未设置）</source>
        <translation>no display available (neither DISPLAY nor WAYLAND_DISPLAY is set)</translation>
    </message>
    <message>
        <source>上次找到记录仪：波特率 %1，地址 %2</source>
        <translation>Logger last found at %1 baud, address %2</translation>
    </message>
    <message>
        <source>全部写入正在进行。测试波特率会中断它，记录仪的参数将只写入一部分。
确定要中断吗？</source>
        <translation>Write all is in progress. Testing the baud rate interrupts it and leaves the logger only partly written.
Interrupt it?</translation>
    </message>
    <message>
        <source>全部写入未完成：已被测试波特率中断</source>
        <translation>Write all not completed: interrupted by the baud rate test</translation>
    </message>
    <message>
        <source>全部读取未完成：已被测试波特率中断</source>
        <translation>Read all not completed: interrupted by the baud rate test</translation>
    </message>
    <message>
        <source>正在测试波特率</source>
        <translation>Testing the baud rate</translation>
    </message>
    <message>
        <source>设备波特率:%1</source>
        <translation>Baud rate: %1</translation>
    </message>
    <message>
        <source>设备地址：%1</source>
        <translation>Address: %1</translation>
    </message>
    <message>
        <source>测试失败</source>
        <translation>Test failed</translation>
    </message>
    <message>
        <source>波特率未知</source>
        <translation>Baud rate unknown</translation>
    </message>
    <message>
        <source>地址未知</source>
        <translation>Address unknown</translation>
    </message>
    <message>
        <source>串口被其他程序占用</source>
        <translation>Port in use by another program</translation>
    </message>
    <message>
        <source>请检查设备连接</source>
        <translation>Check the connection</translation>
    </message>
    <message>
        <source>警告</source>
        <translation>Warning</translation>
    </message>
    <message>
        <source>设备波特率：%1</source>
        <translation>Baud rate: %1</translation>
    </message>
    <message>
        <source>读取失败</source>
        <translation>Read failed</translation>
    </message>
    <message>
        <source>设置成功</source>
        <translation>Set successfully</translation>
    </message>
    <message>
        <source>地址不能为0</source>
        <translation>The address cannot be 0</translation>
    </message>
    <message>
        <source>波特率错误</source>
        <translation>Baud rate not valid</translation>
    </message>
    <message>
        <source>通道%1</source>
        <translation>Channel %1</translation>
    </message>
    <message>
        <source>遥调档位其他</source>
        <translation>Remote step, other</translation>
    </message>
    <message>
        <source>遥调档位%1</source>
        <translation>Remote step %1</translation>
    </message>
    <message>
        <source>无校验</source>
        <translation>None</translation>
    </message>
    <message>
        <source>奇校验</source>
        <translation>Odd</translation>
    </message>
    <message>
        <source>偶校验</source>
        <translation>Even</translation>
    </message>
    <message>
        <source>03功能码</source>
        <translation>Function code 03</translation>
    </message>
    <message>
        <source>04功能码</source>
        <translation>Function code 04</translation>
    </message>
    <message>
        <source>16位无符号整形大端</source>
        <translation>16-bit unsigned, big-endian</translation>
    </message>
    <message>
        <source>16位无符号整形小端</source>
        <translation>16-bit unsigned, little-endian</translation>
    </message>
    <message>
        <source>16位有符号整形大端</source>
        <translation>16-bit signed, big-endian</translation>
    </message>
    <message>
        <source>16位有符号整形小端</source>
        <translation>16-bit signed, little-endian</translation>
    </message>
    <message>
        <source>32位无符号整形大端</source>
        <translation>32-bit unsigned, big-endian</translation>
    </message>
    <message>
        <source>32位无符号整形小端</source>
        <translation>32-bit unsigned, little-endian</translation>
    </message>
    <message>
        <source>32位无符号整形低word高byte</source>
        <translation>32-bit unsigned, low word first, high byte first</translation>
    </message>
    <message>
        <source>32位有符号整形大端</source>
        <translation>32-bit signed, big-endian</translation>
    </message>
    <message>
        <source>32位有符号整形小端</source>
        <translation>32-bit signed, little-endian</translation>
    </message>
    <message>
        <source>32位有符号整形低word高byte</source>
        <translation>32-bit signed, low word first, high byte first</translation>
    </message>
    <message>
        <source>浮点型大端</source>
        <translation>Float, big-endian</translation>
    </message>
    <message>
        <source>浮点型小端</source>
        <translation>Float, little-endian</translation>
    </message>
    <message>
        <source>浮点型低Word高Byte</source>
        <translation>Float, low word first, high byte first</translation>
    </message>
    <message>
        <source>开关量</source>
        <translation>Switch</translation>
    </message>
    <message>
        <source>遥调</source>
        <translation>Remote setting</translation>
    </message>
    <message>
        <source>8位有符号</source>
        <translation>8-bit signed</translation>
    </message>
    <message>
        <source>关于 Travex配置软件(&amp;A)...</source>
        <translation>&amp;About Travex Configuration Tool...</translation>
    </message>
    <message>
        <source>（未连接）</source>
        <translation> (not connected)</translation>
    </message>
    <message>
        <source>正被其他程序占用：进程 %1</source>
        <translation>In use by another program: process %1</translation>
    </message>
    <message>
        <source>设备不在：%1
设备接回后，它仍是这个串口号</source>
        <translation>Device absent: %1
When the device is back, it keeps this port number</translation>
    </message>
    <message>
        <source>（%1）</source>
        <translation> (%1)</translation>
    </message>
    <message>
        <source>读取</source>
        <translation>Read</translation>
    </message>
    <message>
        <source>写入前</source>
        <translation>Before writing</translation>
    </message>
    <message>
        <source>写入</source>
        <translation>Written</translation>
    </message>
    <message>
        <source>历史记录</source>
        <translation>History</translation>
    </message>
    <message>
        <source>时间</source>
        <translation>Time</translation>
    </message>
    <message>
        <source>地址</source>
        <translation>Address</translation>
    </message>
    <message>
        <source>固件版本</source>
        <translation>Firmware</translation>
    </message>
    <message>
        <source>类型</source>
        <translation>Kind</translation>
    </message>
    <message>
        <source>导入</source>
        <translation>Import</translation>
    </message>
    <message>
        <source>打开文件夹</source>
        <translation>Open folder</translation>
    </message>
    <message>
        <source>还没有历史记录</source>
        <translation>No history yet</translation>
    </message>
    <message>
        <source>历史记录无法保存：</source>
        <translation>The history could not be kept: </translation>
    </message>
    <message>
        <source>固定波特率%1无应答（只能测试这一个波特率）</source>
        <translation>No answer at the fixed rate %1 (the only rate this line can try)</translation>
    </message>
</context>
<context>
    <name>travex::CAboutBox</name>
    <message>
        <source>Travex配置软件 %1 版</source>
        <translation>Travex Configuration Tool, version %1</translation>
    </message>
</context>
<context>
    <name>travex::CConfigApp</name>
    <message>
        <source>Travex配置软件：通过串口读取和写入数据记录仪的全部参数，并保存为参数文件。</source>
        <translation>Travex Configuration Tool: reads and writes all settings of a data logger over a serial port, and saves them as a parameter file.</translation>
    </message>
    <message>
        <source>界面语言：zh（中文）或 en（英文）；默认随上次在菜单中的选择，否则随系统语言。</source>
        <translation>Language of the dialog: zh (Chinese) or en (English); by default the one last chosen in the menu, else the system&apos;s.</translation>
    </message>
    <message>
        <source>打开后导入的参数文件（INI）。</source>
        <translation>Parameter file (INI) to import once the dialog is open.</translation>
    </message>
    <message>
        <source>--lang 只接受 zh 或 en</source>
        <translation>--lang takes zh or en only</translation>
    </message>
    <message>
        <source>只能指定一个参数文件</source>
        <translation>Only one parameter file can be given</translation>
    </message>
    <message>
        <source>无法读取参数文件“%1”</source>
        <translation>Cannot read the parameter file &quot;%1&quot;</translation>
    </message>
</context>
<context>
    <name>travex::CConfigDlg</name>
    <message>
        <source>Travex配置软件V%1</source>
        <translation>Travex Configuration Tool V%1</translation>
    </message>
    <message>
        <source>确定</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>是</source>
        <translation>Yes</translation>
    </message>
    <message>
        <source>否</source>
        <translation>No</translation>
    </message>
    <message>
        <source>另存为</source>
        <translation>Save As</translation>
    </message>
    <message>
        <source>打开</source>
        <translation>Open</translation>
    </message>
    <message>
        <source>通信记录(&amp;L)...</source>
        <translation>Communication &amp;log...</translation>
    </message>
    <message>
        <source>语言</source>
        <translation>Language</translation>
    </message>
    <message>
        <source>界面语言将在下次启动时切换。</source>
        <translation>The language changes at the next start.</translation>
    </message>
    <message>
        <source>通信记录</source>
        <translation>Communication log</translation>
    </message>
    <message>
        <source>文本文件(*.txt)</source>
        <translation>Text files(*.txt)</translation>
    </message>
    <message>
        <source>通信记录保存失败：%1</source>
        <translation>Cannot save the communication log: %1</translation>
    </message>
    <message>
        <source>全部读取/写入进度</source>
        <translation>Read all / write all progress</translation>
    </message>
    <message>
        <source>失败 97/97</source>
        <translation>Failed 97/97</translation>
    </message>
    <message>
        <source>失败 %v/%m</source>
        <translation>Failed %v/%m</translation>
    </message>
    <message>
        <source>全部读取/写入未完成</source>
        <translation>Read all / write all not completed</translation>
    </message>
    <message>
        <source>全部读取/写入已完成</source>
        <translation>Read all / write all completed</translation>
    </message>
</context>
<context>
    <name>travex::CFrameLogModel</name>
    <message>
        <source>发送</source>
        <translation>Sent</translation>
    </message>
    <message>
        <source>接收</source>
        <translation>Received</translation>
    </message>
    <message>
        <source>时间</source>
        <translation>Time</translation>
    </message>
    <message>
        <source>方向</source>
        <translation>Direction</translation>
    </message>
    <message>
        <source>长度</source>
        <translation>Length</translation>
    </message>
    <message>
        <source>数据（十六进制）</source>
        <translation>Data (hex)</translation>
    </message>
    <message>
        <source>说明</source>
        <translation>Description</translation>
    </message>
    <message>
        <source>时间	方向	长度	数据	说明
</source>
        <translation>Time	Direction	Length	Data	Description
</translation>
    </message>
</context>
<context>
    <name>travex::CFrameLogWindow</name>
    <message>
        <source>通信记录</source>
        <translation>Communication log</translation>
    </message>
    <message>
        <source>接收</source>
        <translation>Received</translation>
    </message>
    <message>
        <source>长度0</source>
        <translation>Length0</translation>
    </message>
    <message>
        <source>复制(&amp;C)</source>
        <translation>&amp;Copy</translation>
    </message>
    <message>
        <source>全选(&amp;A)</source>
        <translation>Select &amp;all</translation>
    </message>
    <message>
        <source>保存为文本(&amp;S)...</source>
        <translation>&amp;Save as text...</translation>
    </message>
    <message>
        <source>清除(&amp;L)</source>
        <translation>C&amp;lear</translation>
    </message>
    <message>
        <source>复制</source>
        <translation>Copy</translation>
    </message>
    <message>
        <source>保存...</source>
        <translation>Save...</translation>
    </message>
    <message>
        <source>清除</source>
        <translation>Clear</translation>
    </message>
    <message>
        <source>%1 帧（最多保留 %2 帧）</source>
        <translation>%1 frames (at most %2 kept)</translation>
    </message>
</context>
</TS>
