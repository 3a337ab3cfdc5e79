// Numeric ids of the dialogs, controls, strings and icon of the configuration tool.
#pragma once

namespace travex {

// Dialog templates and icon.
inline constexpr int IDD_ABOUT = 100;
inline constexpr int IDD_CONFIG = 102;
inline constexpr int IDI_APP_ICON = 128;

// String table.
inline constexpr int IDS_ABOUT_ENTRY = 101;
inline constexpr int IDS_STATUS1 = 102;
inline constexpr int IDS_STATUS2 = 103;
inline constexpr int IDS_STATUS3 = 104;
inline constexpr int IDS_STATUS4 = 105;

// Command id of the about entry.
inline constexpr int ID_SYSMENU_ABOUT = 16;

// Timer and private message.
inline constexpr int ID_RESPONSE_TIMER = 1;
inline constexpr int WM_USER = 0x400;
inline constexpr int WM_PARAM_PROGRESS = WM_USER + 100;

// Serial-information band.
inline constexpr int IDC_PORT = 1000;
inline constexpr int IDC_TEST_BAUD = 1002;
inline constexpr int IDC_DEV_ADDR = 1006;
inline constexpr int IDC_ADDR_QUERY = 1007;
inline constexpr int IDC_ADDR_SET = 1008;
inline constexpr int IDC_DEV_BAUD = 1009;
inline constexpr int IDC_BAUD_QUERY = 1010;
inline constexpr int IDC_BAUD_SET = 1011;

// Base parameters.
inline constexpr int IDC_COMM_BAUD = 1019;
inline constexpr int IDC_PARITY = 1021;
inline constexpr int IDC_RS485_POLL = 1003;
inline constexpr int IDC_RS485_TIMEOUT = 1004;
inline constexpr int IDC_RS485_RETRIES = 1013;
inline constexpr int IDC_STORE_INTERVAL = 1014;
inline constexpr int IDC_LCD_ON_TIME = 1015;
inline constexpr int IDC_YEAR = 1016;
inline constexpr int IDC_MONTH = 1043;
inline constexpr int IDC_DAY = 1044;
inline constexpr int IDC_HOUR = 1045;
inline constexpr int IDC_MINUTE = 1046;
inline constexpr int IDC_SECOND = 1047;
inline constexpr int IDC_NOW = 1048;
inline constexpr int IDC_VERSION = 1055;
inline constexpr int IDC_BASE_READ = 1005;
inline constexpr int IDC_BASE_WRITE = 1022;

// Parameter set 1.
inline constexpr int IDC_ARG1_CHANNEL = 1020;
inline constexpr int IDC_ALARM_VALUE = 1017;
inline constexpr int IDC_ALARM_TEXT = 1018;
inline constexpr int IDC_NORMAL_TEXT = 1024;
inline constexpr int IDC_GEAR = 1023;
inline constexpr int IDC_GEAR_TEXT = 1025;
inline constexpr int IDC_GEAR_VALUE = 1026;
inline constexpr int IDC_ARG1_READ = 1027;
inline constexpr int IDC_ARG1_WRITE = 1028;

// Parameter set 2.
inline constexpr int IDC_ARG2_CHANNEL = 1029;
inline constexpr int IDC_SLAVE_ADDR = 1030;
inline constexpr int IDC_ENABLE = 1031;
inline constexpr int IDC_FUNC_CODE = 1032;
inline constexpr int IDC_DECIMALS = 1033;
inline constexpr int IDC_REG_START = 1034;
inline constexpr int IDC_REG_COUNT = 1035;
inline constexpr int IDC_DATA_TYPE = 1036;
inline constexpr int IDC_CH_NAME = 1037;
inline constexpr int IDC_CH_UNIT = 1038;
inline constexpr int IDC_COEF_A_LABEL = 1053;
inline constexpr int IDC_COEF_A = 1051;
inline constexpr int IDC_COEF_B_LABEL = 1054;
inline constexpr int IDC_COEF_B = 1052;
inline constexpr int IDC_ARG2_READ = 1039;
inline constexpr int IDC_ARG2_WRITE = 1040;

// Bottom row.
inline constexpr int IDC_IMPORT = 1049;
inline constexpr int IDC_EXPORT = 1050;
inline constexpr int IDC_READ_ALL = 1041;
inline constexpr int IDC_WRITE_ALL = 1042;

}  // namespace travex
