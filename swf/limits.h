// Hard caps on what the engine accepts from a movie. Every length, count
// and nesting level read from a file is checked against these before
// anything is allocated or recursed into.
#pragma once

#include <QtGlobal>

namespace swf::limits {

// A movie whose header declares more decoded bytes than this is refused.
inline constexpr qint64 kMaxDeclaredLength = qint64(256) * 1024 * 1024;
// Bytes read from a file at most: the cap plus room for compression overhead.
inline constexpr qint64 kMaxFileBytes = kMaxDeclaredLength + 16 * 1024 * 1024;
// LZMA dictionaries larger than the decoded movie are never needed.
inline constexpr quint32 kMinLzmaDictionary = 4096;

// Shape records (edges and style changes) kept per shape and per movie;
// a record takes some fifty bytes in memory and as little as six bits in
// the file.
inline constexpr qint64 kMaxShapeRecords = qint64(1) << 21;
inline constexpr qint64 kMaxMovieShapeRecords = qint64(1) << 23;
// Styles of one style array (the file allows 65535).
inline constexpr int kMaxStyles = 65535;

// Control tags and frames kept per movie, all timelines together; a
// placement takes a few hundred bytes in memory and five in the file.
inline constexpr qint64 kMaxControlTags = qint64(1) << 21;
inline constexpr qint64 kMaxFrames = qint64(1) << 20;

// Instances nested inside one another (sprites in sprites).
inline constexpr int kMaxNesting = 64;
// Display objects alive in one player at once, all levels together.
inline constexpr int kMaxDisplayObjects = 200000;

// Frame rates outside this range are not honoured: zero would stop the
// clock for good and huge rates would only burn the processor.
inline constexpr double kMaxFrameRate = 120.0;
inline constexpr double kZeroFrameRate = 1.0;
// When drawing lags, at most this much time is caught up by skipping frames.
inline constexpr qint64 kMaxCatchUpMs = 1000;

// Largest picture the renderer draws, per side, in pixels.
inline constexpr int kMaxRenderSide = 8192;

// Bitmaps (DefineBits*): pixels per side and in all, as the Flash Player
// caps them; larger images are refused and draw nothing.
inline constexpr int kMaxBitmapSide = 16384;
inline constexpr qint64 kMaxBitmapPixels = qint64(1) << 24;
// Scans of one progressive JPEG: damaged files can announce endless
// scans that each cost a pass over the whole image.
inline constexpr int kMaxJpegScans = 500;
// Decoded bitmaps kept by one renderer, in bytes; the least recently
// drawn go first.
inline constexpr qint64 kMaxBitmapCacheBytes = qint64(512) * 1024 * 1024;
// Colour-transformed copies of bitmaps kept by one renderer, in bytes.
inline constexpr qint64 kMaxTintedBitmapBytes = qint64(128) * 1024 * 1024;
// Layers (blend modes, filters) drawn inside one another; deeper ones are
// drawn straight onto the layer below, each layer being as large as the
// picture at worst.
inline constexpr int kMaxNestedLayers = 8;

// Sound: samples (all channels together) one event sound decodes to at
// most, ten minutes of 44.1 kHz stereo; the rest of a longer sound is
// not played.
inline constexpr qint64 kMaxSoundSamples = qint64(44100) * 2 * 600;
// Decoded event sounds kept by one player, in samples; beyond it, the
// least recently started are decoded again when next needed.
inline constexpr qint64 kMaxSoundCacheSamples = qint64(64) * 1024 * 1024;
// Samples one stream block may decode to: a block holds one frame of
// sound; two seconds of 48 kHz stereo covers every frame rate from 0.5.
inline constexpr qint64 kMaxStreamBlockSamples = qint64(48000) * 2 * 2;
// Event sounds playing at once in one player; the oldest gives way.
inline constexpr int kMaxVoices = 64;

// Fonts and text: glyphs kept, all fonts together (each is a small shape
// of its own, from as little as four bytes of the file), and glyph entries
// kept, all static texts together (from as little as one bit each).
inline constexpr qint64 kMaxMovieFontGlyphs = qint64(1) << 19;
inline constexpr qint64 kMaxMovieTextGlyphs = qint64(1) << 22;
// Characters of one text field that are laid out; the rest is not shown.
inline constexpr int kMaxTextFieldChars = 1 << 16;
// Elements open at once in a text field's HTML; deeper ones are ignored.
inline constexpr int kMaxHtmlNesting = 64;
// Fonts one text field draws with; each costs a search of the system's
// fonts, and formats past the limit use the field's own font.
inline constexpr int kMaxTextFaces = 32;
// Text height in twips at most, as the file's 16-bit heights allow.
inline constexpr int kMaxTextHeight = 65535;

// Scripts. Elements of one array, and characters of one string, a movie
// may make; past them the operation does nothing (arrays) or stops at the
// limit (strings), so no script can take all memory.
inline constexpr qint64 kMaxScriptArrayLength = qint64(1) << 24;
inline constexpr qint64 kMaxScriptStringLength = qint64(1) << 27;
// Objects alive in one movie's script heap before its scripts are stopped.
inline constexpr qint64 kMaxScriptObjects = qint64(1) << 23;
// Values on the operand stack of one script.
inline constexpr int kMaxScriptStack = 1 << 20;
// Comparisons one Array sort makes in its own order before it finishes the
// rest with a sort that cannot degrade (sorted input is quadratic).
inline constexpr qint64 kMaxSortComparisons = qint64(1) << 25;

// Video: VideoFrame packets kept, all streams together (each costs a
// map node, from as little as six bytes of the file); the side of a video
// stream decoded, in pixels; and decoded frames one video object keeps,
// in bytes, the least recently shown going first.
inline constexpr qint64 kMaxVideoPackets = qint64(1) << 20;
inline constexpr int kMaxVideoSide = 4096;
inline constexpr qint64 kMaxVideoCacheBytes = qint64(32) * 1024 * 1024;

// Saved data (.sol files, AMF0): bytes of one file, and containers
// nested inside one another (deeper data is refused when read and cut
// when written).
inline constexpr qint64 kMaxSharedObjectBytes = qint64(64) * 1024 * 1024;
inline constexpr int kMaxAmfDepth = 256;

// Data a movie loads (XML.load, LoadVars.load): bytes of one file, and
// the XML it parses: elements open inside one another and nodes of one
// document (more stops the parse with the out-of-memory status).
inline constexpr qint64 kMaxLoadedDataBytes = qint64(64) * 1024 * 1024;
inline constexpr int kMaxXmlDepth = 512;
inline constexpr qint64 kMaxXmlNodes = qint64(1) << 18;

} // namespace swf::limits
