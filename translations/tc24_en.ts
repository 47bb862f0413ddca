<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en" sourcelanguage="zh_CN">
<context>
    <name>BusScanDialog</name>
    <message>
        <location filename="../app/qt/bus_scan_dialog.ui" line="14"/>
        <source>总线扫描</source>
        <translation>Bus scan</translation>
    </message>
    <message>
        <location filename="../app/qt/bus_scan_dialog.ui" line="22"/>
        <source>起始站号</source>
        <translation>First station</translation>
    </message>
    <message>
        <location filename="../app/qt/bus_scan_dialog.ui" line="45"/>
        <source>结束站号</source>
        <translation>Last station</translation>
    </message>
    <message>
        <location filename="../app/qt/bus_scan_dialog.ui" line="68"/>
        <source>超时(ms)</source>
        <translation>Time-out (ms)</translation>
    </message>
    <message>
        <location filename="../app/qt/bus_scan_dialog.ui" line="98"/>
        <source>开始扫描</source>
        <translation>Start scan</translation>
    </message>
    <message>
        <location filename="../app/qt/bus_scan_dialog.ui" line="108"/>
        <source>取消</source>
        <translation>Cancel</translation>
    </message>
    <message>
        <location filename="../app/qt/bus_scan_dialog.ui" line="140"/>
        <source>应答的站号</source>
        <translation>Stations that answered</translation>
    </message>
    <message>
        <location filename="../app/qt/bus_scan_dialog.ui" line="156"/>
        <source>设为设备地址</source>
        <translation>Use as device address</translation>
    </message>
</context>
<context>
    <name>CommLogWindow</name>
    <message>
        <location filename="../app/qt/comm_log_window.ui" line="14"/>
        <source>通讯记录</source>
        <translation>Communication log</translation>
    </message>
    <message>
        <location filename="../app/qt/comm_log_window.ui" line="22"/>
        <source>暂停</source>
        <translation>Pause</translation>
    </message>
    <message>
        <location filename="../app/qt/comm_log_window.ui" line="32"/>
        <source>清除</source>
        <translation>Clear</translation>
    </message>
    <message>
        <location filename="../app/qt/comm_log_window.ui" line="39"/>
        <source>保存…</source>
        <translation>Save…</translation>
    </message>
    <message>
        <location filename="../app/qt/comm_log_window.ui" line="111"/>
        <source>请求</source>
        <translation>Requests</translation>
    </message>
    <message>
        <location filename="../app/qt/comm_log_window.ui" line="116"/>
        <source>有效应答</source>
        <translation>Valid replies</translation>
    </message>
    <message>
        <location filename="../app/qt/comm_log_window.ui" line="121"/>
        <source>CRC错误</source>
        <translation>CRC errors</translation>
    </message>
    <message>
        <location filename="../app/qt/comm_log_window.ui" line="126"/>
        <source>异常应答</source>
        <translation>Exceptions</translation>
    </message>
    <message>
        <location filename="../app/qt/comm_log_window.ui" line="131"/>
        <source>站号/功能不符</source>
        <translation>Wrong station/function</translation>
    </message>
    <message>
        <location filename="../app/qt/comm_log_window.ui" line="136"/>
        <source>不完整/无应答</source>
        <translation>Incomplete/no reply</translation>
    </message>
    <message>
        <location filename="../app/qt/comm_log_window.ui" line="141"/>
        <source>最短(ms)</source>
        <translation>Shortest (ms)</translation>
    </message>
    <message>
        <location filename="../app/qt/comm_log_window.ui" line="146"/>
        <source>平均(ms)</source>
        <translation>Mean (ms)</translation>
    </message>
    <message>
        <location filename="../app/qt/comm_log_window.ui" line="151"/>
        <source>最长(ms)</source>
        <translation>Longest (ms)</translation>
    </message>
</context>
<context>
    <name>TrendView</name>
    <message>
        <location filename="../app/qt/trend_view.ui" line="14"/>
        <source>温度曲线</source>
        <translation>Temperature trend</translation>
    </message>
    <message>
        <location filename="../app/qt/trend_view.ui" line="22"/>
        <source>时间范围</source>
        <translation>Time span</translation>
    </message>
    <message>
        <location filename="../app/qt/trend_view.ui" line="33"/>
        <source>最近 1 分钟</source>
        <translation>Last minute</translation>
    </message>
    <message>
        <location filename="../app/qt/trend_view.ui" line="38"/>
        <source>最近 10 分钟</source>
        <translation>Last 10 minutes</translation>
    </message>
    <message>
        <location filename="../app/qt/trend_view.ui" line="43"/>
        <source>全部</source>
        <translation>All</translation>
    </message>
    <message>
        <location filename="../app/qt/trend_view.ui" line="74"/>
        <source>清除曲线</source>
        <translation>Clear trend</translation>
    </message>
</context>
<context>
    <name>frmMain</name>
    <message>
        <location filename="../app/qt/frm_main.ui" line="14"/>
        <source>tc24 24路温度采集模块测试工具</source>
        <translation>tc24 24-channel temperature module test tool</translation>
    </message>
    <message>
        <location filename="../app/qt/frm_main.ui" line="23"/>
        <source>串口设置</source>
        <translation>Serial port</translation>
    </message>
    <message>
        <location filename="../app/qt/frm_main.ui" line="29"/>
        <source>串口号</source>
        <translation>Port</translation>
    </message>
    <message>
        <location filename="../app/qt/frm_main.ui" line="145"/>
        <source>波特率</source>
        <translation>Baud rate</translation>
    </message>
    <message>
        <location filename="../app/qt/frm_main.ui" line="196"/>
        <source>保存设置</source>
        <translation>Save settings</translation>
    </message>
    <message>
        <location filename="../app/qt/frm_main.ui" line="206"/>
        <source>MODBUS设置</source>
        <translation>MODBUS settings</translation>
    </message>
    <message>
        <location filename="../app/qt/frm_main.ui" line="212"/>
        <source>设备地址</source>
        <translation>Device address</translation>
    </message>
    <message>
        <location filename="../app/qt/frm_main.ui" line="229"/>
        <source>超始地址</source>
        <translation>Start address</translation>
    </message>
    <message>
        <location filename="../app/qt/frm_main.ui" line="246"/>
        <source>数据长度</source>
        <translation>Register count</translation>
    </message>
    <message>
        <location filename="../app/qt/frm_main.ui" line="263"/>
        <source>功 能 码</source>
        <translation>Function code</translation>
    </message>
    <message>
        <location filename="../app/qt/frm_main.ui" line="299"/>
        <source>数据查询操作</source>
        <translation>Read temperatures</translation>
    </message>
    <message>
        <location filename="../app/qt/frm_main.ui" line="305"/>
        <source>定时时长(ms)</source>
        <translation>Interval (ms)</translation>
    </message>
    <message>
        <location filename="../app/qt/frm_main.ui" line="344"/>
        <source>单次</source>
        <translation>Once</translation>
    </message>
    <message>
        <location filename="../app/qt/frm_main.ui" line="351"/>
        <source>循环</source>
        <translation>Cyclic</translation>
    </message>
    <message>
        <location filename="../app/qt/frm_main.ui" line="358"/>
        <source>停止</source>
        <translation>Stop</translation>
    </message>
    <message>
        <location filename="../app/qt/frm_main.ui" line="368"/>
        <source>设备ID修改操作(子功能号0x0B )</source>
        <translation>Change device address (sub-function 0x0B)</translation>
    </message>
    <message>
        <location filename="../app/qt/frm_main.ui" line="376"/>
        <source>将地址       改为</source>
        <translation>Change       to</translation>
    </message>
    <message>
        <location filename="../app/qt/frm_main.ui" line="392"/>
        <source>将地址</source>
        <translation>Current address</translation>
    </message>
    <message>
        <location filename="../app/qt/frm_main.ui" line="408"/>
        <source>改为</source>
        <translation>New address</translation>
    </message>
    <message>
        <location filename="../app/qt/frm_main.ui" line="431"/>
        <source>读地址</source>
        <translation>Read address</translation>
    </message>
    <message>
        <location filename="../app/qt/frm_main.ui" line="438"/>
        <source>执行</source>
        <translation>Apply</translation>
    </message>
    <message>
        <location filename="../app/qt/frm_main.ui" line="447"/>
        <source>地址值范围为：1-249</source>
        <translation>Address range: 1-249</translation>
    </message>
    <message>
        <location filename="../app/qt/frm_main.ui" line="457"/>
        <source>传感器操作区</source>
        <translation>Sensors</translation>
    </message>
    <message>
        <location filename="../app/qt/frm_main.ui" line="463"/>
        <source>传感器序列号操作</source>
        <translation>Sensor serial numbers</translation>
    </message>
    <message>
        <location filename="../app/qt/frm_main.ui" line="469"/>
        <source>编号</source>
        <translation>Position</translation>
    </message>
    <message>
        <location filename="../app/qt/frm_main.ui" line="508"/>
        <source>读单个</source>
        <translation>Read one</translation>
    </message>
    <message>
        <location filename="../app/qt/frm_main.ui" line="515"/>
        <source>读全部</source>
        <translation>Read all</translation>
    </message>
    <message>
        <location filename="../app/qt/frm_main.ui" line="522"/>
        <source>保存序列号</source>
        <translation>Save serial numbers</translation>
    </message>
    <message>
        <location filename="../app/qt/frm_main.ui" line="532"/>
        <source>写入序列号到远程指定设备指定位置</source>
        <translation>Write serial numbers into positions of the module</translation>
    </message>
    <message>
        <location filename="../app/qt/frm_main.ui" line="540"/>
        <source>自动搜索</source>
        <translation>Search</translation>
    </message>
    <message>
        <location filename="../app/qt/frm_main.ui" line="543"/>
        <location filename="../app/qt/frm_main.ui" line="852"/>
        <source>操作前请确保传感器已接入到需要操作的设备指定通道</source>
        <translation>Before you start, make sure the sensor is connected to the module&apos;s channel you mean</translation>
    </message>
    <message>
        <location filename="../app/qt/frm_main.ui" line="550"/>
        <source>从文件导入序列号</source>
        <translation>Import serial numbers</translation>
    </message>
    <message>
        <location filename="../app/qt/frm_main.ui" line="557"/>
        <source>自动写入</source>
        <translation>Write all</translation>
    </message>
    <message>
        <location filename="../app/qt/frm_main.ui" line="560"/>
        <source>将文件导入的传感器序列号一次性写入到模块存储器</source>
        <translation>Write every imported serial number into the module&apos;s memory in one go</translation>
    </message>
    <message>
        <location filename="../app/qt/frm_main.ui" line="574"/>
        <source>64位唯一序列号</source>
        <translation>64-bit unique serial number</translation>
    </message>
    <message>
        <location filename="../app/qt/frm_main.ui" line="606"/>
        <source>64位唯一序列号 2</source>
        <translation>64-bit serial number, byte 2</translation>
    </message>
    <message>
        <location filename="../app/qt/frm_main.ui" line="622"/>
        <source>64位唯一序列号 3</source>
        <translation>64-bit serial number, byte 3</translation>
    </message>
    <message>
        <location filename="../app/qt/frm_main.ui" line="638"/>
        <source>64位唯一序列号 4</source>
        <translation>64-bit serial number, byte 4</translation>
    </message>
    <message>
        <location filename="../app/qt/frm_main.ui" line="654"/>
        <source>64位唯一序列号 5</source>
        <translation>64-bit serial number, byte 5</translation>
    </message>
    <message>
        <location filename="../app/qt/frm_main.ui" line="670"/>
        <source>64位唯一序列号 6</source>
        <translation>64-bit serial number, byte 6</translation>
    </message>
    <message>
        <location filename="../app/qt/frm_main.ui" line="686"/>
        <source>64位唯一序列号 7</source>
        <translation>64-bit serial number, byte 7</translation>
    </message>
    <message>
        <location filename="../app/qt/frm_main.ui" line="702"/>
        <source>64位唯一序列号 8</source>
        <translation>64-bit serial number, byte 8</translation>
    </message>
    <message>
        <location filename="../app/qt/frm_main.ui" line="709"/>
        <source>十六进制</source>
        <translation>hex</translation>
    </message>
    <message>
        <location filename="../app/qt/frm_main.ui" line="736"/>
        <location filename="../app/qt/frm_main.ui" line="807"/>
        <source>传感器编号</source>
        <translation>Position</translation>
    </message>
    <message>
        <location filename="../app/qt/frm_main.ui" line="775"/>
        <source>第一个</source>
        <translation>First</translation>
    </message>
    <message>
        <location filename="../app/qt/frm_main.ui" line="782"/>
        <source>下一个</source>
        <translation>Next</translation>
    </message>
    <message>
        <location filename="../app/qt/frm_main.ui" line="789"/>
        <source>停止写入</source>
        <translation>Stop writing</translation>
    </message>
    <message>
        <location filename="../app/qt/frm_main.ui" line="801"/>
        <source>将新传感器识别到指定位置</source>
        <translation>Assign a new sensor to a position</translation>
    </message>
    <message>
        <location filename="../app/qt/frm_main.ui" line="810"/>
        <source>传感器存放的位置编号</source>
        <translation>The position the new sensor is to take</translation>
    </message>
    <message>
        <location filename="../app/qt/frm_main.ui" line="849"/>
        <source>识别</source>
        <translation>Assign</translation>
    </message>
    <message>
        <location filename="../app/qt/frm_main.ui" line="885"/>
        <source>观察窗</source>
        <translation>Readings</translation>
    </message>
    <message>
        <location filename="../app/qt/frm_main.ui" line="900"/>
        <source>1#温度值</source>
        <translation>Channel 1</translation>
    </message>
    <message>
        <location filename="../app/qt/frm_main.ui" line="942"/>
        <source>2#温度值</source>
        <translation>Channel 2</translation>
    </message>
    <message>
        <location filename="../app/qt/frm_main.ui" line="984"/>
        <source>3#温度值</source>
        <translation>Channel 3</translation>
    </message>
    <message>
        <location filename="../app/qt/frm_main.ui" line="1026"/>
        <source>4#温度值</source>
        <translation>Channel 4</translation>
    </message>
    <message>
        <location filename="../app/qt/frm_main.ui" line="1068"/>
        <source>5#温度值</source>
        <translation>Channel 5</translation>
    </message>
    <message>
        <location filename="../app/qt/frm_main.ui" line="1110"/>
        <source>6#温度值</source>
        <translation>Channel 6</translation>
    </message>
    <message>
        <location filename="../app/qt/frm_main.ui" line="1152"/>
        <source>7#温度值</source>
        <translation>Channel 7</translation>
    </message>
    <message>
        <location filename="../app/qt/frm_main.ui" line="1194"/>
        <source>8#温度值</source>
        <translation>Channel 8</translation>
    </message>
    <message>
        <location filename="../app/qt/frm_main.ui" line="1236"/>
        <source>9#温度值</source>
        <translation>Channel 9</translation>
    </message>
    <message>
        <location filename="../app/qt/frm_main.ui" line="1278"/>
        <source>10#温度值</source>
        <translation>Channel 10</translation>
    </message>
    <message>
        <location filename="../app/qt/frm_main.ui" line="1320"/>
        <source>11#温度值</source>
        <translation>Channel 11</translation>
    </message>
    <message>
        <location filename="../app/qt/frm_main.ui" line="1362"/>
        <source>12#温度值</source>
        <translation>Channel 12</translation>
    </message>
    <message>
        <location filename="../app/qt/frm_main.ui" line="1404"/>
        <source>13#温度值</source>
        <translation>Channel 13</translation>
    </message>
    <message>
        <location filename="../app/qt/frm_main.ui" line="1446"/>
        <source>14#温度值</source>
        <translation>Channel 14</translation>
    </message>
    <message>
        <location filename="../app/qt/frm_main.ui" line="1488"/>
        <source>15#温度值</source>
        <translation>Channel 15</translation>
    </message>
    <message>
        <location filename="../app/qt/frm_main.ui" line="1530"/>
        <source>16#温度值</source>
        <translation>Channel 16</translation>
    </message>
    <message>
        <location filename="../app/qt/frm_main.ui" line="1572"/>
        <source>17#温度值</source>
        <translation>Channel 17</translation>
    </message>
    <message>
        <location filename="../app/qt/frm_main.ui" line="1614"/>
        <source>18#温度值</source>
        <translation>Channel 18</translation>
    </message>
    <message>
        <location filename="../app/qt/frm_main.ui" line="1656"/>
        <source>19#温度值</source>
        <translation>Channel 19</translation>
    </message>
    <message>
        <location filename="../app/qt/frm_main.ui" line="1698"/>
        <source>20#温度值</source>
        <translation>Channel 20</translation>
    </message>
    <message>
        <location filename="../app/qt/frm_main.ui" line="1740"/>
        <source>21#温度值</source>
        <translation>Channel 21</translation>
    </message>
    <message>
        <location filename="../app/qt/frm_main.ui" line="1782"/>
        <source>22#温度值</source>
        <translation>Channel 22</translation>
    </message>
    <message>
        <location filename="../app/qt/frm_main.ui" line="1824"/>
        <source>23#温度值</source>
        <translation>Channel 23</translation>
    </message>
    <message>
        <location filename="../app/qt/frm_main.ui" line="1866"/>
        <source>24#温度值</source>
        <translation>Channel 24</translation>
    </message>
    <message>
        <location filename="../app/qt/frm_main.ui" line="1981"/>
        <source>二次开发命令观察窗口</source>
        <translation>Protocol monitor</translation>
    </message>
    <message>
        <location filename="../app/qt/frm_main.ui" line="1987"/>
        <source>发送命令:</source>
        <translation>Request sent:</translation>
    </message>
    <message>
        <location filename="../app/qt/frm_main.ui" line="2038"/>
        <source>运行状态指示</source>
        <translation>Status</translation>
    </message>
    <message>
        <location filename="../app/qt/frm_main.ui" line="2068"/>
        <location filename="../app/qt/frm_main.ui" line="2081"/>
        <location filename="../app/qt/frm_main.ui" line="2094"/>
        <source>数据采集通讯状态指示</source>
        <translation>Communication status</translation>
    </message>
    <message>
        <location filename="../app/qt/frm_main.ui" line="2124"/>
        <source>测试统计</source>
        <translation>Polls sent</translation>
    </message>
    <message>
        <location filename="../app/qt/frm_main.ui" line="2165"/>
        <source>误码率</source>
        <translation>Errors</translation>
    </message>
</context>
<context>
    <name>tc24</name>
    <message>
        <location filename="../address/device_address.cpp" line="24"/>
        <source>请指定正确的设备地址，正确值范围为1-249!</source>
        <translation>Enter a valid device address from 1 to 249!</translation>
    </message>
    <message>
        <location filename="../address/device_address.cpp" line="26"/>
        <source>设备当前地址为:<byte value="xd"/>
%1</source>
        <translation>Current device address:<byte value="xd"/>
%1</translation>
    </message>
    <message>
        <location filename="../app/core/port_settings.cpp" line="16"/>
        <source>请选择端口</source>
        <translation>Choose a port</translation>
    </message>
    <message>
        <location filename="../app/core/port_settings.cpp" line="17"/>
        <source>所选的串行端口已被其他设备所使用!</source>
        <translation>The selected serial port is in use by another device!</translation>
    </message>
    <message>
        <location filename="../app/core/port_settings.cpp" line="18"/>
        <source>串口设置保存成功</source>
        <translation>Serial port settings saved</translation>
    </message>
    <message>
        <location filename="../app/core/port_settings.cpp" line="19"/>
        <source>系统信息</source>
        <translation>System Information</translation>
    </message>
    <message>
        <location filename="../app/core/port_settings.cpp" line="22"/>
        <source>%1 (%2) %3 已打开</source>
        <translation>%1 (%2) %3 open</translation>
    </message>
    <message>
        <location filename="../app/core/port_settings.cpp" line="23"/>
        <source>%1 (%2) 无法打开: %3</source>
        <translation>%1 (%2) cannot be opened: %3</translation>
    </message>
    <message>
        <location filename="../app/core/port_settings.cpp" line="24"/>
        <source>%1 — 请把当前用户加入 dialout 组后重新登录</source>
        <translation>%1 — add your user to the dialout group and log in again</translation>
    </message>
    <message>
        <location filename="../app/core/port_settings.cpp" line="26"/>
        <source>无法保存串口设置文件 %1：%2</source>
        <translation>Cannot save the port settings file %1: %2</translation>
    </message>
    <message>
        <location filename="../app/platform/line_file.cpp" line="28"/>
        <source>不是普通文件</source>
        <translation>not a regular file</translation>
    </message>
    <message>
        <location filename="../app/qt/language.h" line="14"/>
        <source>tc24 24路温度采集模块测试工具</source>
        <translation>tc24 24-channel temperature module test tool</translation>
    </message>
    <message>
        <location filename="../link/messages.h" line="9"/>
        <source>打开串口出错，请确定串口是否已被占用</source>
        <translation>Cannot open the serial port. Check whether another program uses it.</translation>
    </message>
    <message>
        <location filename="../link/messages.h" line="10"/>
        <source>你输入的设备地址格式有误!</source>
        <translation>The device address is not valid!</translation>
    </message>
    <message>
        <location filename="../link/messages.h" line="11"/>
        <source>你输入的数据长度格式有误!</source>
        <translation>The register count is not valid!</translation>
    </message>
    <message>
        <location filename="../link/messages.h" line="13"/>
        <source>你输入的传感器编号格式有误,正确的值应该为1-24!</source>
        <translation>The sensor position is not valid: it must be 1-24!</translation>
    </message>
    <message>
        <location filename="../link/messages.h" line="14"/>
        <source>系统提示</source>
        <translation>System Notice</translation>
    </message>
    <message>
        <location filename="../link/window_texts.h" line="12"/>
        <source>回显抑制</source>
        <translation>Echo suppression</translation>
    </message>
    <message>
        <location filename="../link/window_texts.h" line="13"/>
        <source>线路把每个请求原样送回（接收器常开的两线 RS-485 转换器）：在应答之前去掉这份回显</source>
        <translation>The line sends every request back (a 2-wire RS-485 adapter whose receiver stays on): drop that echo ahead of the reply</translation>
    </message>
    <message>
        <location filename="../link/window_texts.h" line="16"/>
        <source>回显</source>
        <translation>Echo</translation>
    </message>
    <message>
        <location filename="../link/window_texts.h" line="18"/>
        <source>串口被其他程序占用</source>
        <translation>the port is in use by another program</translation>
    </message>
    <message>
        <location filename="../link/window_texts.h" line="21"/>
        <source>线路回显了请求：请打开工具栏的“回显抑制”</source>
        <translation>The line echoed the request: turn on “Echo suppression” on the tool bar</translation>
    </message>
    <message>
        <location filename="../link/window_texts.h" line="23"/>
        <source>无法保存回显抑制设置：</source>
        <translation>Cannot save the echo suppression setting: </translation>
    </message>
    <message>
        <location filename="../link/window_texts.h" line="27"/>
        <source>站 %1（应答无法识别）</source>
        <translation>station %1 (answer unreadable)</translation>
    </message>
    <message>
        <location filename="../link/window_texts.h" line="30"/>
        <location filename="../link/window_texts.h" line="33"/>
        <source>调试记录</source>
        <translation>Commissioning record</translation>
    </message>
    <message>
        <location filename="../link/window_texts.h" line="31"/>
        <source>把读地址、搜索、读写序列号和读数记成一份调试记录，按限值检查，保存为 JSON 或 PDF</source>
        <translation>Keeps the address, the search, the serial numbers read and written and the readings as a commissioning record, checks them against limits, saves it as JSON or PDF</translation>
    </message>
    <message>
        <location filename="../link/window_texts.h" line="34"/>
        <source>模块</source>
        <translation>Module</translation>
    </message>
    <message>
        <location filename="../link/window_texts.h" line="35"/>
        <source>地址</source>
        <translation>Address</translation>
    </message>
    <message>
        <location filename="../link/window_texts.h" line="36"/>
        <source>原地址</source>
        <translation>Previous address</translation>
    </message>
    <message>
        <location filename="../link/window_texts.h" line="37"/>
        <location filename="../link/window_texts.h" line="47"/>
        <location filename="../protocol/frames.cpp" line="128"/>
        <source>传感器数量</source>
        <translation>Sensor count</translation>
    </message>
    <message>
        <location filename="../link/window_texts.h" line="38"/>
        <source>读取</source>
        <translation>Readings</translation>
    </message>
    <message>
        <location filename="../link/window_texts.h" line="39"/>
        <source>开始时间</source>
        <translation>Started</translation>
    </message>
    <message>
        <location filename="../link/window_texts.h" line="40"/>
        <source>各位置</source>
        <translation>Positions</translation>
    </message>
    <message>
        <location filename="../link/window_texts.h" line="41"/>
        <source>序列号</source>
        <translation>Serial number</translation>
    </message>
    <message>
        <location filename="../link/window_texts.h" line="42"/>
        <source>与列表一致</source>
        <translation>Matches the list</translation>
    </message>
    <message>
        <location filename="../link/window_texts.h" line="43"/>
        <source>最低</source>
        <translation>Lowest</translation>
    </message>
    <message>
        <location filename="../link/window_texts.h" line="44"/>
        <source>平均</source>
        <translation>Mean</translation>
    </message>
    <message>
        <location filename="../link/window_texts.h" line="45"/>
        <source>最高</source>
        <translation>Highest</translation>
    </message>
    <message>
        <location filename="../link/window_texts.h" line="46"/>
        <location filename="../link/window_texts.h" line="61"/>
        <source>限值</source>
        <translation>Limits</translation>
    </message>
    <message>
        <location filename="../link/window_texts.h" line="48"/>
        <source>应有传感器的位置</source>
        <translation>Positions with a sensor</translation>
    </message>
    <message>
        <location filename="../link/window_texts.h" line="49"/>
        <source>最低温度 (°C)</source>
        <translation>Minimum (°C)</translation>
    </message>
    <message>
        <location filename="../link/window_texts.h" line="50"/>
        <source>最高温度 (°C)</source>
        <translation>Maximum (°C)</translation>
    </message>
    <message>
        <location filename="../link/window_texts.h" line="51"/>
        <source>与中位数偏差 ± (°C)</source>
        <translation>Spread from the median ± (°C)</translation>
    </message>
    <message>
        <location filename="../link/window_texts.h" line="52"/>
        <source>检查序列号的 CRC-8</source>
        <translation>Check the serial numbers&apos; CRC-8</translation>
    </message>
    <message>
        <location filename="../link/window_texts.h" line="53"/>
        <location filename="../link/window_texts.h" line="79"/>
        <source>未设置</source>
        <translation>not set</translation>
    </message>
    <message>
        <location filename="../link/window_texts.h" line="54"/>
        <source>如 1-24</source>
        <translation>e.g. 1-24</translation>
    </message>
    <message>
        <location filename="../link/window_texts.h" line="55"/>
        <source>记录信息</source>
        <translation>Record</translation>
    </message>
    <message>
        <location filename="../link/window_texts.h" line="56"/>
        <source>操作员</source>
        <translation>Operator</translation>
    </message>
    <message>
        <location filename="../link/window_texts.h" line="57"/>
        <source>备注</source>
        <translation>Note</translation>
    </message>
    <message>
        <location filename="../link/window_texts.h" line="58"/>
        <source>模块标识</source>
        <translation>Module ID</translation>
    </message>
    <message>
        <location filename="../link/window_texts.h" line="59"/>
        <location filename="../link/window_texts.h" line="60"/>
        <source>检查</source>
        <translation>Checks</translation>
    </message>
    <message>
        <location filename="../link/window_texts.h" line="62"/>
        <source>结果</source>
        <translation>Result</translation>
    </message>
    <message>
        <location filename="../link/window_texts.h" line="63"/>
        <source>原因</source>
        <translation>Reason</translation>
    </message>
    <message>
        <location filename="../link/window_texts.h" line="64"/>
        <source>结论</source>
        <translation>Verdict</translation>
    </message>
    <message>
        <location filename="../link/window_texts.h" line="65"/>
        <source>保存记录</source>
        <translation>Save record</translation>
    </message>
    <message>
        <location filename="../link/window_texts.h" line="66"/>
        <source>保存PDF</source>
        <translation>Save PDF</translation>
    </message>
    <message>
        <location filename="../link/window_texts.h" line="67"/>
        <source>新记录</source>
        <translation>New record</translation>
    </message>
    <message>
        <location filename="../link/window_texts.h" line="69"/>
        <source>未读取</source>
        <translation>not read</translation>
    </message>
    <message>
        <location filename="../link/window_texts.h" line="70"/>
        <source>空</source>
        <translation>empty</translation>
    </message>
    <message>
        <location filename="../link/window_texts.h" line="72"/>
        <source>一致</source>
        <translation>matches</translation>
    </message>
    <message>
        <location filename="../link/window_texts.h" line="73"/>
        <source>不一致</source>
        <translation>differs</translation>
    </message>
    <message>
        <location filename="../link/window_texts.h" line="74"/>
        <source>待读回</source>
        <translation>to be read back</translation>
    </message>
    <message>
        <location filename="../link/window_texts.h" line="76"/>
        <source>通过</source>
        <translation>passed</translation>
    </message>
    <message>
        <location filename="../link/window_texts.h" line="77"/>
        <source>未通过</source>
        <translation>failed</translation>
    </message>
    <message>
        <location filename="../link/window_texts.h" line="78"/>
        <source>未运行</source>
        <translation>not run</translation>
    </message>
    <message>
        <location filename="../link/window_texts.h" line="81"/>
        <source>%1 次，其中 %2 次无有效应答</source>
        <translation>%1, %2 of them without a valid reply</translation>
    </message>
    <message>
        <location filename="../link/window_texts.h" line="83"/>
        <source>尚未保存</source>
        <translation>not saved yet</translation>
    </message>
    <message>
        <location filename="../link/window_texts.h" line="84"/>
        <source>已保存</source>
        <translation>saved</translation>
    </message>
    <message>
        <location filename="../link/window_texts.h" line="85"/>
        <source>还没有数据</source>
        <translation>no data yet</translation>
    </message>
    <message>
        <location filename="../link/window_texts.h" line="87"/>
        <source>保存调试记录</source>
        <translation>Save Commissioning Record</translation>
    </message>
    <message>
        <location filename="../link/window_texts.h" line="88"/>
        <source>保存调试记录为 PDF</source>
        <translation>Save Commissioning Record as PDF</translation>
    </message>
    <message>
        <location filename="../link/window_texts.h" line="90"/>
        <source>还没有可保存的数据：先读地址、搜索传感器、读序列号或读取温度。</source>
        <translation>Nothing to save yet: first read the address, search for sensors, read serial numbers or read temperatures.</translation>
    </message>
    <message>
        <location filename="../link/window_texts.h" line="92"/>
        <source>无法保存 %1：%2
记录仍在，可以换个位置再保存。</source>
        <translation>Cannot save %1: %2
The record is still here: you can save it somewhere else.</translation>
    </message>
    <message>
        <location filename="../link/window_texts.h" line="93"/>
        <source>记录已保存：%1</source>
        <translation>Record saved: %1</translation>
    </message>
    <message>
        <location filename="../link/window_texts.h" line="94"/>
        <source>PDF 已保存：%1</source>
        <translation>PDF saved: %1</translation>
    </message>
    <message>
        <location filename="../link/window_texts.h" line="96"/>
        <source>%1 已存在，未覆盖；保存为 %2</source>
        <translation>%1 exists and was not replaced; saved as %2</translation>
    </message>
    <message>
        <location filename="../link/window_texts.h" line="97"/>
        <source>这个版本不能生成 PDF。</source>
        <translation>This build cannot write PDF files.</translation>
    </message>
    <message>
        <location filename="../link/window_texts.h" line="99"/>
        <source>当前调试记录尚未保存。
放弃这份记录，开始下一个模块的新记录吗？</source>
        <translation>The commissioning record is not saved.
Drop it and start a new record for the next module?</translation>
    </message>
    <message>
        <location filename="../link/window_texts.h" line="101"/>
        <source>调试记录尚未保存。
放弃这份记录并关闭吗？</source>
        <translation>The commissioning record is not saved.
Drop it and close?</translation>
    </message>
    <message>
        <location filename="../link/window_texts.h" line="102"/>
        <source>新记录：下一个模块</source>
        <translation>New record: next module</translation>
    </message>
    <message>
        <location filename="../link/window_texts.h" line="105"/>
        <source>站 %1 的应答未计入：这份记录属于站 %2（换模块请先点“新记录”）</source>
        <translation>Reply from station %1 not counted: this record belongs to station %2 (press “New record” before you change modules)</translation>
    </message>
    <message>
        <location filename="../link/window_texts.h" line="107"/>
        <source>传感器数量应为 0 到 24 的整数</source>
        <translation>The sensor count must be a whole number from 0 to 24</translation>
    </message>
    <message>
        <location filename="../link/window_texts.h" line="109"/>
        <source>位置应写作 1-24 这样的范围（1 到 24）</source>
        <translation>Positions must be a range such as 1-24 (1 to 24)</translation>
    </message>
    <message>
        <location filename="../link/window_texts.h" line="110"/>
        <source>温度应为数字，例如 25.5</source>
        <translation>A temperature must be a number, such as 25.5</translation>
    </message>
    <message>
        <location filename="../link/window_texts.h" line="111"/>
        <source>偏差应为不小于 0 的数字</source>
        <translation>The spread must be a number of 0 or more</translation>
    </message>
    <message>
        <location filename="../link/window_texts.h" line="112"/>
        <source>最低温度高于最高温度</source>
        <translation>The minimum is above the maximum</translation>
    </message>
    <message>
        <location filename="../measure/polling.cpp" line="15"/>
        <source>你输入的定时时长格式有误，应该为数字，值范围为100-60000!</source>
        <translation>The interval is not valid: it must be a number from 100 to 60000!</translation>
    </message>
    <message>
        <location filename="../measure/polling.cpp" line="17"/>
        <source>你输入的定时时长格式有误，应该为数字，值范围为50-60000!</source>
        <translation>The interval is not valid: it must be a number from 50 to 60000!</translation>
    </message>
    <message>
        <location filename="../measure/register_query.cpp" line="21"/>
        <source>你输入的功能码格式有误!</source>
        <translation>The function code is not valid!</translation>
    </message>
    <message>
        <location filename="../measure/register_query.cpp" line="22"/>
        <source>你输入的起始地址格式有误!</source>
        <translation>The start address is not valid!</translation>
    </message>
    <message>
        <location filename="../measure/register_query.cpp" line="24"/>
        <source>你输入的数据长度格式有误,正确的值应该为1-24!</source>
        <translation>The register count is not valid: it must be 1-24!</translation>
    </message>
    <message>
        <location filename="../programming/list_import.cpp" line="18"/>
        <source>输入的文件数据格式有误！请检查</source>
        <translation>The data in the file are not in the right format! Please check the file.</translation>
    </message>
    <message>
        <location filename="../programming/list_import.cpp" line="19"/>
        <source>打开文件</source>
        <translation>Open File</translation>
    </message>
    <message>
        <location filename="../programming/list_import.cpp" line="20"/>
        <source>序列号文件 (*.txt)|*.txt|所有文件（*）|*.*</source>
        <translation>Serial number lists (*.txt)|*.txt|All files (*)|*.*</translation>
    </message>
    <message>
        <location filename="../programming/list_import.cpp" line="21"/>
        <source>无法打开文件：%1</source>
        <translation>Cannot open the file: %1</translation>
    </message>
    <message>
        <location filename="../programming/list_import.cpp" line="23"/>
        <source>该设备共有%1个通道<byte value="xd"/>
</source>
        <translation>This device has %1 channels<byte value="xd"/>
</translation>
    </message>
    <message>
        <location filename="../programming/serial_write.cpp" line="22"/>
        <source>请先导入按正确的传感器序列号格式</source>
        <translation>First import a list of serial numbers in the right format</translation>
    </message>
    <message>
        <location filename="../programming/serial_write.cpp" line="23"/>
        <source>KALVEN提示</source>
        <translation>KALVEN Notice</translation>
    </message>
    <message>
        <location filename="../programming/serial_write.cpp" line="24"/>
        <source>操作结束</source>
        <translation>Finished</translation>
    </message>
    <message>
        <location filename="../programming/serial_write.cpp" line="26"/>
        <source>导入的序列号条数仅为%1,下一个就循环操作了！</source>
        <translation>The imported list has only %1 entries: “Next” starts again at the first!</translation>
    </message>
    <message>
        <location filename="../programming/serial_write.cpp" line="28"/>
        <source>成功将编号为:%1的传感器序列号写为：%2</source>
        <translation>Position %1: serial number written as %2</translation>
    </message>
    <message>
        <location filename="../protocol/frames.cpp" line="29"/>
        <source>广播</source>
        <translation>broadcast</translation>
    </message>
    <message>
        <location filename="../protocol/frames.cpp" line="30"/>
        <source>站 %1</source>
        <translation>station %1</translation>
    </message>
    <message>
        <location filename="../protocol/frames.cpp" line="122"/>
        <source>读寄存器</source>
        <translation>Read registers</translation>
    </message>
    <message>
        <location filename="../protocol/frames.cpp" line="124"/>
        <source>改地址</source>
        <translation>Change address</translation>
    </message>
    <message>
        <location filename="../protocol/frames.cpp" line="126"/>
        <source>读地址</source>
        <translation>Read address</translation>
    </message>
    <message>
        <location filename="../protocol/frames.cpp" line="130"/>
        <source>识别传感器</source>
        <translation>Identify sensor</translation>
    </message>
    <message>
        <location filename="../protocol/frames.cpp" line="132"/>
        <source>读序列号</source>
        <translation>Read serial number</translation>
    </message>
    <message>
        <location filename="../protocol/frames.cpp" line="134"/>
        <source>写序列号</source>
        <translation>Write serial number</translation>
    </message>
    <message>
        <location filename="../protocol/frames.cpp" line="138"/>
        <source>其他</source>
        <translation>Other</translation>
    </message>
    <message>
        <location filename="../protocol/frames.cpp" line="152"/>
        <source>%1 不完整的请求</source>
        <translation>%1 incomplete request</translation>
    </message>
    <message>
        <location filename="../protocol/frames.cpp" line="161"/>
        <source>%1 读寄存器 起始 %2 数量 %3</source>
        <translation>%1 read registers from %2, count %3</translation>
    </message>
    <message>
        <location filename="../protocol/frames.cpp" line="165"/>
        <source>%1 改地址为 %2</source>
        <translation>%1 change address to %2</translation>
    </message>
    <message>
        <location filename="../protocol/frames.cpp" line="168"/>
        <source>%1 读地址</source>
        <translation>%1 read address</translation>
    </message>
    <message>
        <location filename="../protocol/frames.cpp" line="170"/>
        <source>%1 读传感器数量</source>
        <translation>%1 read sensor count</translation>
    </message>
    <message>
        <location filename="../protocol/frames.cpp" line="172"/>
        <source>%1 识别新传感器到位置 %2</source>
        <translation>%1 identify new sensor at position %2</translation>
    </message>
    <message>
        <location filename="../protocol/frames.cpp" line="174"/>
        <source>%1 读位置 %2 的序列号</source>
        <translation>%1 read serial number of position %2</translation>
    </message>
    <message>
        <location filename="../protocol/frames.cpp" line="177"/>
        <source>%1 写序列号 %2 到位置 %3</source>
        <translation>%1 write serial number %2 to position %3</translation>
    </message>
    <message>
        <location filename="../protocol/frames.cpp" line="183"/>
        <source>%1 功能码 %2</source>
        <translation>%1 function code %2</translation>
    </message>
    <message>
        <location filename="../sensors/search.cpp" line="19"/>
        <source>你输入的传感器编号格式有误!</source>
        <translation>The sensor position is not valid!</translation>
    </message>
    <message>
        <location filename="../sensors/search.cpp" line="21"/>
        <source>请确保模块上只接了一个传感器，并指定了正确的传感器编号</source>
        <translation>Make sure only one sensor is attached to the module and the right position is given</translation>
    </message>
    <message>
        <location filename="../sensors/search.cpp" line="23"/>
        <source>当前设备搜索到的传感器个数为:<byte value="xd"/>
%1</source>
        <translation>Sensors found on this module:<byte value="xd"/>
%1</translation>
    </message>
    <message>
        <location filename="../sensors/search.cpp" line="25"/>
        <source>传感器编号:%1序列号为：%2</source>
        <translation>Position %1 serial number: %2</translation>
    </message>
    <message>
        <location filename="../sensors/serial_readout.cpp" line="26"/>
        <source>你输入的传感器编号格式有误，正确值为1-24!</source>
        <translation>The sensor position is not valid: it must be 1-24!</translation>
    </message>
    <message>
        <location filename="../sensors/serial_readout.cpp" line="28"/>
        <source>你输入的编程格式有误，正确值为1-24!</source>
        <translation>The position is not valid: it must be 1-24!</translation>
    </message>
    <message>
        <location filename="../sensors/serial_readout.cpp" line="29"/>
        <source>读取完成</source>
        <translation>Reading finished</translation>
    </message>
    <message>
        <location filename="../sensors/serial_readout.cpp" line="31"/>
        <source>无法保存序列号文件 %1：%2</source>
        <translation>Cannot save the serial number file %1: %2</translation>
    </message>
    <message>
        <location filename="../diagnostics/bus_scan.cpp" line="16"/>
        <source>总线扫描正在进行</source>
        <translation>A bus scan is under way</translation>
    </message>
    <message>
        <location filename="../diagnostics/bus_scan.cpp" line="17"/>
        <source>串口未打开，无法扫描总线</source>
        <translation>The serial port is not open: the bus cannot be scanned</translation>
    </message>
    <message>
        <location filename="../diagnostics/bus_scan.cpp" line="18"/>
        <source>串口已断开，扫描中止</source>
        <translation>The serial port was lost: scan stopped</translation>
    </message>
    <message>
        <location filename="../diagnostics/traffic_log.cpp" line="20"/>
        <source>应答之后的多余字节</source>
        <translation>extra bytes after the reply</translation>
    </message>
    <message>
        <location filename="../diagnostics/traffic_log.cpp" line="21"/>
        <source>无请求</source>
        <translation>nothing asked yet</translation>
    </message>
    <message>
        <location filename="../diagnostics/traffic_log.cpp" line="22"/>
        <source>发送下一请求前清除的输入</source>
        <translation>input cleared before the next request</translation>
    </message>
    <message>
        <location filename="../diagnostics/traffic_log.cpp" line="23"/>
        <source>序号,时间,距请求(ms),方向,长度,数据,说明</source>
        <translation>No.,Time,Since request (ms),Direction,Length,Data,Note</translation>
    </message>
    <message>
        <location filename="../diagnostics/traffic_log.cpp" line="362"/>
        <source>发送</source>
        <translation>Sent</translation>
    </message>
    <message>
        <location filename="../diagnostics/traffic_log.cpp" line="364"/>
        <source>接收</source>
        <translation>Received</translation>
    </message>
    <message>
        <location filename="../diagnostics/traffic_log.cpp" line="370"/>
        <source>判定</source>
        <translation>Verdict</translation>
    </message>
    <message>
        <location filename="../diagnostics/traffic_log.cpp" line="376"/>
        <source>无应答</source>
        <translation>no reply</translation>
    </message>
    <message>
        <location filename="../diagnostics/traffic_log.cpp" line="381"/>
        <source>有效应答</source>
        <translation>valid reply</translation>
    </message>
    <message>
        <location filename="../diagnostics/traffic_log.cpp" line="384"/>
        <source>CRC错误</source>
        <translation>CRC error</translation>
    </message>
    <message>
        <location filename="../diagnostics/traffic_log.cpp" line="387"/>
        <source>MODBUS异常 %1</source>
        <translation>MODBUS exception %1</translation>
    </message>
    <message>
        <location filename="../diagnostics/traffic_log.cpp" line="390"/>
        <source>站号不符</source>
        <translation>wrong station</translation>
    </message>
    <message>
        <location filename="../diagnostics/traffic_log.cpp" line="393"/>
        <source>功能码不符</source>
        <translation>wrong function</translation>
    </message>
    <message>
        <location filename="../diagnostics/traffic_log.cpp" line="396"/>
        <source>应答不完整</source>
        <translation>incomplete reply</translation>
    </message>
</context>
<context>
    <name>tc24::BusScanDialog</name>
    <message>
        <location filename="../app/qt/bus_scan_dialog.cpp" line="69"/>
        <source>总线扫描</source>
        <translation>Bus scan</translation>
    </message>
    <message>
        <location filename="../app/qt/bus_scan_dialog.cpp" line="87"/>
        <location filename="../app/qt/bus_scan_dialog.cpp" line="131"/>
        <source>站 %1</source>
        <translation>station %1</translation>
    </message>
    <message>
        <location filename="../app/qt/bus_scan_dialog.cpp" line="119"/>
        <source>总线扫描进行中：循环查询、读全部和自动写入已暂停</source>
        <translation>Bus scan under way: polling, read-all and auto-write are paused</translation>
    </message>
    <message>
        <location filename="../app/qt/bus_scan_dialog.cpp" line="144"/>
        <source>等待线路空闲 …</source>
        <translation>Waiting for the line to fall silent …</translation>
    </message>
    <message>
        <location filename="../app/qt/bus_scan_dialog.cpp" line="148"/>
        <source>正在询问站 %1 …</source>
        <translation>Asking station %1 …</translation>
    </message>
    <message>
        <location filename="../app/qt/bus_scan_dialog.cpp" line="152"/>
        <source>已取消</source>
        <translation>Cancelled</translation>
    </message>
    <message>
        <location filename="../app/qt/bus_scan_dialog.cpp" line="152"/>
        <source>扫描完成</source>
        <translation>Scan finished</translation>
    </message>
    <message>
        <location filename="../app/qt/bus_scan_dialog.cpp" line="156"/>
        <source>%1：%2 个站应答</source>
        <translation>%1: %2 station(s) answered</translation>
    </message>
</context>
<context>
    <name>tc24::CommLogWindow</name>
    <message>
        <location filename="../app/qt/comm_log_window.cpp" line="221"/>
        <location filename="../app/qt/comm_log_window.cpp" line="269"/>
        <source>继续</source>
        <translation>Resume</translation>
    </message>
    <message>
        <location filename="../app/qt/comm_log_window.cpp" line="221"/>
        <location filename="../app/qt/comm_log_window.cpp" line="269"/>
        <source>暂停</source>
        <translation>Pause</translation>
    </message>
    <message>
        <location filename="../app/qt/comm_log_window.cpp" line="251"/>
        <location filename="../app/qt/comm_log_window.cpp" line="413"/>
        <source>通讯记录</source>
        <translation>Communication log</translation>
    </message>
    <message>
        <location filename="../app/qt/comm_log_window.cpp" line="259"/>
        <source>合计</source>
        <translation>Total</translation>
    </message>
    <message>
        <location filename="../app/qt/comm_log_window.cpp" line="319"/>
        <source>%1 / %2 行%3</source>
        <translation>%1 / %2 rows%3</translation>
    </message>
    <message>
        <location filename="../app/qt/comm_log_window.cpp" line="322"/>
        <source>（已暂停）</source>
        <translation> (paused)</translation>
    </message>
    <message>
        <location filename="../app/qt/comm_log_window.cpp" line="394"/>
        <source>CSV 文件 (*.csv)</source>
        <translation>CSV files (*.csv)</translation>
    </message>
    <message>
        <location filename="../app/qt/comm_log_window.cpp" line="395"/>
        <source>文本文件 (*.txt)</source>
        <translation>Text files (*.txt)</translation>
    </message>
    <message>
        <location filename="../app/qt/comm_log_window.cpp" line="398"/>
        <source>保存通讯记录</source>
        <translation>Save communication log</translation>
    </message>
    <message>
        <location filename="../app/qt/comm_log_window.cpp" line="414"/>
        <source>无法保存 %1：%2</source>
        <translation>Could not save %1: %2</translation>
    </message>
</context>
<context>
    <name>tc24::CsvRecording</name>
    <message>
        <location filename="../app/qt/csv_recording.cpp" line="20"/>
        <source>记录数据</source>
        <translation>Record data</translation>
    </message>
    <message>
        <location filename="../app/qt/csv_recording.cpp" line="22"/>
        <source>每次收到温度数据时追加一行到 CSV 文件</source>
        <translation>Append a line to a CSV file for every temperature reply</translation>
    </message>
    <message>
        <location filename="../app/qt/csv_recording.cpp" line="25"/>
        <source>无法打开记录文件 %1：%2
记录未开始。</source>
        <translation>Cannot open the recording file %1: %2
Recording has not started.</translation>
    </message>
    <message>
        <location filename="../app/qt/csv_recording.cpp" line="27"/>
        <source>正在记录数据到 %1（已有内容保留，新行追加在后）</source>
        <translation>Recording to %1 (what the file holds stays, new lines go after it)</translation>
    </message>
    <message>
        <location filename="../app/qt/csv_recording.cpp" line="29"/>
        <source>记录已停止：%1 行已写入 %2</source>
        <translation>Recording stopped: %1 lines written to %2</translation>
    </message>
    <message>
        <location filename="../app/qt/csv_recording.cpp" line="30"/>
        <source>写入记录文件 %1 出错：%2
记录已停止，之前的各行都已保存。</source>
        <translation>Cannot write the recording file %1: %2
Recording stopped; every line before is saved.</translation>
    </message>
</context>
<context>
    <name>tc24::MainWindow</name>
    <message>
        <location filename="../app/qt/main_window.cpp" line="50"/>
        <source>工具</source>
        <translation>Tools</translation>
    </message>
    <message>
        <location filename="../app/qt/main_window.cpp" line="52"/>
        <source>无法保存语言设置：%1</source>
        <translation>Cannot save the language setting: %1</translation>
    </message>
</context>
<context>
    <name>tc24::TrafficTableModel</name>
    <message>
        <location filename="../app/qt/comm_log_window.cpp" line="34"/>
        <source>时间</source>
        <translation>Time</translation>
    </message>
    <message>
        <location filename="../app/qt/comm_log_window.cpp" line="35"/>
        <source>距请求(ms)</source>
        <translation>Since request (ms)</translation>
    </message>
    <message>
        <location filename="../app/qt/comm_log_window.cpp" line="36"/>
        <source>方向</source>
        <translation>Direction</translation>
    </message>
    <message>
        <location filename="../app/qt/comm_log_window.cpp" line="37"/>
        <source>长度</source>
        <translation>Length</translation>
    </message>
    <message>
        <location filename="../app/qt/comm_log_window.cpp" line="38"/>
        <source>数据</source>
        <translation>Data</translation>
    </message>
    <message>
        <location filename="../app/qt/comm_log_window.cpp" line="39"/>
        <source>说明</source>
        <translation>Note</translation>
    </message>
</context>
<context>
    <name>tc24::TrendView</name>
    <message>
        <location filename="../app/qt/trend_view.cpp" line="122"/>
        <source>温度曲线</source>
        <translation>Temperature trend</translation>
    </message>
    <message>
        <location filename="../app/qt/trend_view.cpp" line="123"/>
        <source>24 路温度随时间的曲线</source>
        <translation>The 24 temperatures over time</translation>
    </message>
    <message>
        <location filename="../app/qt/trend_view.cpp" line="125"/>
        <source>时间</source>
        <translation>Time</translation>
    </message>
    <message>
        <location filename="../app/qt/trend_view.cpp" line="126"/>
        <source>温度 (°C)</source>
        <translation>Temperature (°C)</translation>
    </message>
    <message>
        <location filename="../app/qt/trend_view.cpp" line="278"/>
        <source>等待温度数据（单次或循环查询）</source>
        <translation>Waiting for temperatures (Once or Cyclic query)</translation>
    </message>
    <message>
        <location filename="../app/qt/trend_view.cpp" line="300"/>
        <source>最近 %1 秒升温最快：%2（+%3 °C）</source>
        <translation>Fastest rise in the last %1 s: %2 (+%3 °C)</translation>
    </message>
    <message>
        <location filename="../app/qt/trend_view.cpp" line="306"/>
        <source>最近 %1 秒没有通道明显升温</source>
        <translation>No channel rose noticeably in the last %1 s</translation>
    </message>
</context>
</TS>
