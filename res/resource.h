// Named identifiers of the program's windows, controls, menus, strings and
// timers. Every widget carries its id (as its objectName, see objectIdName),
// so tests and the skin find controls by id.
#pragma once

#include <QString>

namespace Res {

// Dialog templates.
inline constexpr int IDD_ABOUTBOX = 100;
inline constexpr int IDD_PLAYER = 102;
inline constexpr int IDD_FULLSCREEN = 130;
inline constexpr int IDD_PLAYLIST = 131;

// Menu, icon and string resources.
inline constexpr int IDR_PLAYLIST_MENU = 132;
inline constexpr int IDR_MAINFRAME = 128; // the application icon
inline constexpr int IDS_ABOUTBOX = 101;  // "&About Orvanto..."
inline constexpr int IDS_BROWSE_TITLE = 102; // "Browse flash(*.swf) folder...."

// Standard dialog buttons.
inline constexpr int IDOK = 1;
inline constexpr int IDCANCEL = 2;

// Player window (template 102).
inline constexpr int IDC_SKIN = 1000;
inline constexpr int IDC_PLAYPAUSE = 1001;
inline constexpr int IDC_SEEKBAR = 1003;
inline constexpr int IDC_STOP = 1004;
inline constexpr int IDC_PREVIOUS = 1005;
inline constexpr int IDC_NEXT = 1006;
inline constexpr int IDC_ABOUT = 1010;
inline constexpr int IDC_MOVIE = 1011;
inline constexpr int IDC_VOLUMEBAR = 1016;
inline constexpr int IDC_OPEN = 1018;
inline constexpr int IDC_PATHLINE = 1022;
inline constexpr int IDC_PLAYLIST_TOGGLE = 1027;

// Playlist window (template 131).
inline constexpr int IDC_PLAYLIST_BOX = 1024;

// About box (template 100).
inline constexpr int IDC_ABOUT_WEB = 1021;
inline constexpr int IDC_ABOUT_MAIL = 1022;

// Context menu 132 of the playlist window.
inline constexpr int ID_ADD_FOLDER = 32771;
inline constexpr int ID_ADD_FILES = 32772;
inline constexpr int ID_CLEAR = 32774;

// System-menu command of the about box; ids 16..31 all open it.
inline constexpr int IDM_ABOUTBOX = 0x0010;
// The window menu's entries of our own, after the about entry: save the
// frame shown as a picture, export the movie as a video file.
inline constexpr int IDM_SAVEFRAME = 0x0040;
inline constexpr int IDM_EXPORTVIDEO = 0x0050;

// Full-screen window.
inline constexpr int IDC_FULLSCREEN_MOVIE = 9100;

// Timers.
inline constexpr int TIMER_POSITION = 1;   // player window, follows the frame
inline constexpr int TIMER_FULLSCREEN = 2; // full-screen window, remembers the frame
inline constexpr int TIMER_PERIOD_MS = 1;

// The objectName a widget with control id `id` carries: "id1003".
inline QString objectIdName(int id) { return QStringLiteral("id%1").arg(id); }

} // namespace Res
