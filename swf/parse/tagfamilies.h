// One registration function per tag family, each in its own file. A new
// family (bitmaps, fonts and text, sounds, buttons, morph shapes) adds a
// file with its parsers and one line here and in tagtable.cpp.
#pragma once

namespace swf {

class TagTable;

void registerTimelineTags(TagTable &table);    // timelinetags.cpp
void registerDisplayListTags(TagTable &table); // displaylisttags.cpp
void registerShapeTags(TagTable &table);       // shapetags.cpp
void registerSpriteTags(TagTable &table);      // spritetags.cpp
void registerBitmapTags(TagTable &table);      // bitmaptags.cpp
void registerMorphTags(TagTable &table);       // morphtags.cpp
void registerFontTags(TagTable &table);        // fonttags.cpp
void registerTextTags(TagTable &table);        // texttags.cpp
void registerButtonTags(TagTable &table);      // buttontags.cpp
void registerSoundTags(TagTable &table);       // soundtags.cpp
void registerScriptTags(TagTable &table);      // scripttags.cpp
void registerVideoTags(TagTable &table);       // videotags.cpp

} // namespace swf
