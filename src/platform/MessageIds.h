#pragma once
// Private window message numbers, counted from WM_APP. Data groups, the driver
// and the main frame rely on these exact values.

inline constexpr unsigned kWmApp = 0x8000;

inline constexpr unsigned WM_DEVICE_MESSAGE = kWmApp + 0x01;
inline constexpr unsigned WM_SEND_MESSAGE = kWmApp + 0x03;
inline constexpr unsigned WM_CONNECTION_EVENT = kWmApp + 0x04;
inline constexpr unsigned WM_GPS_READ_DONE = kWmApp + 0x05;
inline constexpr unsigned WM_COMMISSION_WRITE_DONE = kWmApp + 0x07;
inline constexpr unsigned WM_TIMECALC_READ_DONE = kWmApp + 0x09;
inline constexpr unsigned WM_SYSTEM_READ_DONE = kWmApp + 0x0B;
inline constexpr unsigned WM_SYSTEM_WRITE_DONE = kWmApp + 0x0C;
inline constexpr unsigned WM_USERINFO_READ_DONE = kWmApp + 0x0D;
inline constexpr unsigned WM_USERINFO_WRITE_DONE = kWmApp + 0x0E;
inline constexpr unsigned WM_VERSION_READ_DONE = kWmApp + 0x0F;
inline constexpr unsigned WM_DOWNLOAD_PROGRESS = kWmApp + 0x14;
inline constexpr unsigned WM_DOWNLOAD_DONE = kWmApp + 0x15;
inline constexpr unsigned WM_ACTIVATION_READ_DONE = kWmApp + 0x16;
inline constexpr unsigned WM_ACTIVATION_DONE = kWmApp + 0x17;
inline constexpr unsigned WM_CLOCKTIMING_READ_DONE = kWmApp + 0x1A;
inline constexpr unsigned WM_CLOCKTIMING_WRITE_DONE = kWmApp + 0x1B;
inline constexpr unsigned WM_CONSTLOG_DONE = kWmApp + 0x1C;
inline constexpr unsigned WM_DOWNLOAD_CANCELLED = kWmApp + 0x1D;
inline constexpr unsigned WM_DOWNLOAD_VERIFYING = kWmApp + 0x1E;
inline constexpr unsigned WM_CLOSE_PROGRESS = kWmApp + 0xC35;
