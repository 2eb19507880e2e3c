// SWF tag codes and the names the SWF format gives them: one table for every
// reader of tags. A tag's header is a UI16 with the code in its upper 10 bits
// and the length in its lower 6; a length of 0x3F is followed by a UI32
// length.
#pragma once

#include <cstdint>
#include <string>

namespace ww {

enum SwfTagCode : uint16_t {
    kTagEnd = 0,
    kTagShowFrame = 1,
    kTagDefineShape = 2,
    kTagPlaceObject = 4,
    kTagRemoveObject = 5,
    kTagDefineBits = 6,
    kTagDefineButton = 7,
    kTagJpegTables = 8,
    kTagSetBackgroundColor = 9,
    kTagDefineFont = 10,
    kTagDefineText = 11,
    kTagDoAction = 12,
    kTagDefineFontInfo = 13,
    kTagDefineSound = 14,
    kTagStartSound = 15,
    kTagStopSound = 16,
    kTagDefineButtonSound = 17,
    kTagSoundStreamHead = 18,
    kTagSoundStreamBlock = 19,
    kTagDefineBitsLossless = 20,
    kTagDefineBitsJpeg2 = 21,
    kTagDefineShape2 = 22,
    kTagDefineButtonCxform = 23,
    kTagProtect = 24,
    kTagPathsArePostScript = 25,
    kTagPlaceObject2 = 26,
    kTagSyncFrame = 27,
    kTagRemoveObject2 = 28,
    kTagDefineShape3 = 32,
    kTagDefineText2 = 33,
    kTagDefineButton2 = 34,
    kTagDefineBitsJpeg3 = 35,
    kTagDefineBitsLossless2 = 36,
    kTagDefineEditText = 37,
    kTagDefineSprite = 39,
    kTagNameCharacter = 40,
    kTagProductInfo = 41,
    kTagFrameLabel = 43,
    kTagSoundStreamHead2 = 45,
    kTagDefineMorphShape = 46,
    kTagDefineFont2 = 48,
    kTagExportAssets = 56,
    kTagImportAssets = 57,
    kTagEnableDebugger = 58,
    kTagDoInitAction = 59,
    kTagDefineVideoStream = 60,
    kTagVideoFrame = 61,
    kTagDefineFontInfo2 = 62,
    kTagDebugId = 63,
    kTagEnableDebugger2 = 64,
    kTagScriptLimits = 65,
    kTagSetTabIndex = 66,
    kTagFileAttributes = 69,
    kTagPlaceObject3 = 70,
    kTagImportAssets2 = 71,
    kTagDoAbc2 = 72,
    kTagDefineFontAlignZones = 73,
    kTagCSMTextSettings = 74,
    kTagDefineFont3 = 75,
    kTagSymbolClass = 76,
    kTagMetadata = 77,
    kTagDefineScalingGrid = 78,
    kTagDoAbc = 82,
    kTagDefineShape4 = 83,
    kTagDefineMorphShape2 = 84,
    kTagDefineSceneAndFrameLabelData = 86,
    kTagDefineBinaryData = 87,
    kTagDefineFontName = 88,
    kTagStartSound2 = 89,
    kTagDefineBitsJpeg4 = 90,
    kTagDefineFont4 = 91,
};

// The format's name of a tag, or "tag N" for a code it does not name.
std::string SwfTagName(uint16_t code);

} // namespace ww
