// Tag codes of the SWF file-format documentation.
#pragma once

#include <QtGlobal>

namespace swf::TagCode {

inline constexpr quint16 End = 0;
inline constexpr quint16 ShowFrame = 1;
inline constexpr quint16 DefineShape = 2;
inline constexpr quint16 PlaceObject = 4;
inline constexpr quint16 RemoveObject = 5;
inline constexpr quint16 DefineBits = 6;
inline constexpr quint16 DefineButton = 7;
inline constexpr quint16 JpegTables = 8;
inline constexpr quint16 SetBackgroundColor = 9;
inline constexpr quint16 DefineFont = 10;
inline constexpr quint16 DefineText = 11;
inline constexpr quint16 DoAction = 12;
inline constexpr quint16 DefineFontInfo = 13;
inline constexpr quint16 DefineSound = 14;
inline constexpr quint16 StartSound = 15;
inline constexpr quint16 DefineButtonSound = 17;
inline constexpr quint16 SoundStreamHead = 18;
inline constexpr quint16 SoundStreamBlock = 19;
inline constexpr quint16 DefineBitsLossless = 20;
inline constexpr quint16 DefineBitsJpeg2 = 21;
inline constexpr quint16 DefineShape2 = 22;
inline constexpr quint16 DefineButtonCxform = 23;
inline constexpr quint16 Protect = 24;
inline constexpr quint16 PlaceObject2 = 26;
inline constexpr quint16 RemoveObject2 = 28;
inline constexpr quint16 DefineShape3 = 32;
inline constexpr quint16 DefineText2 = 33;
inline constexpr quint16 DefineButton2 = 34;
inline constexpr quint16 DefineBitsJpeg3 = 35;
inline constexpr quint16 DefineBitsLossless2 = 36;
inline constexpr quint16 DefineEditText = 37;
inline constexpr quint16 DefineSprite = 39;
inline constexpr quint16 FrameLabel = 43;
inline constexpr quint16 SoundStreamHead2 = 45;
inline constexpr quint16 DefineMorphShape = 46;
inline constexpr quint16 DefineFont2 = 48;
inline constexpr quint16 ExportAssets = 56;
inline constexpr quint16 ImportAssets = 57;
inline constexpr quint16 EnableDebugger = 58;
inline constexpr quint16 DoInitAction = 59;
inline constexpr quint16 DefineVideoStream = 60;
inline constexpr quint16 VideoFrame = 61;
inline constexpr quint16 DefineFontInfo2 = 62;
inline constexpr quint16 EnableDebugger2 = 64;
inline constexpr quint16 ScriptLimits = 65;
inline constexpr quint16 SetTabIndex = 66;
inline constexpr quint16 FileAttributes = 69;
inline constexpr quint16 PlaceObject3 = 70;
inline constexpr quint16 ImportAssets2 = 71;
inline constexpr quint16 DoAbc1 = 72;
inline constexpr quint16 DefineFontAlignZones = 73;
inline constexpr quint16 CsmTextSettings = 74;
inline constexpr quint16 DefineFont3 = 75;
inline constexpr quint16 SymbolClass = 76;
inline constexpr quint16 Metadata = 77;
inline constexpr quint16 DefineScalingGrid = 78;
inline constexpr quint16 DoAbc = 82;
inline constexpr quint16 DefineShape4 = 83;
inline constexpr quint16 DefineMorphShape2 = 84;
inline constexpr quint16 DefineSceneAndFrameLabelData = 86;
inline constexpr quint16 DefineBinaryData = 87;
inline constexpr quint16 DefineFontName = 88;
inline constexpr quint16 StartSound2 = 89;
inline constexpr quint16 DefineBitsJpeg4 = 90;
inline constexpr quint16 DefineFont4 = 91;

// Codes are 10 bits wide.
inline constexpr int kCount = 1024;

} // namespace swf::TagCode
