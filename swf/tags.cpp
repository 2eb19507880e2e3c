#include "swf/tags.h"

#include <iterator>

namespace ww {

namespace {

const struct {
    SwfTagCode code;
    const char* name;
} kTagNames[] = {
    {kTagEnd, "End"},
    {kTagShowFrame, "ShowFrame"},
    {kTagDefineShape, "DefineShape"},
    {kTagPlaceObject, "PlaceObject"},
    {kTagRemoveObject, "RemoveObject"},
    {kTagDefineBits, "DefineBits"},
    {kTagDefineButton, "DefineButton"},
    {kTagJpegTables, "JPEGTables"},
    {kTagSetBackgroundColor, "SetBackgroundColor"},
    {kTagDefineFont, "DefineFont"},
    {kTagDefineText, "DefineText"},
    {kTagDoAction, "DoAction"},
    {kTagDefineFontInfo, "DefineFontInfo"},
    {kTagDefineSound, "DefineSound"},
    {kTagStartSound, "StartSound"},
    {kTagStopSound, "StopSound"},
    {kTagDefineButtonSound, "DefineButtonSound"},
    {kTagSoundStreamHead, "SoundStreamHead"},
    {kTagSoundStreamBlock, "SoundStreamBlock"},
    {kTagDefineBitsLossless, "DefineBitsLossless"},
    {kTagDefineBitsJpeg2, "DefineBitsJPEG2"},
    {kTagDefineShape2, "DefineShape2"},
    {kTagDefineButtonCxform, "DefineButtonCxform"},
    {kTagProtect, "Protect"},
    {kTagPathsArePostScript, "PathsArePostScript"},
    {kTagPlaceObject2, "PlaceObject2"},
    {kTagSyncFrame, "SyncFrame"},
    {kTagRemoveObject2, "RemoveObject2"},
    {kTagDefineShape3, "DefineShape3"},
    {kTagDefineText2, "DefineText2"},
    {kTagDefineButton2, "DefineButton2"},
    {kTagDefineBitsJpeg3, "DefineBitsJPEG3"},
    {kTagDefineBitsLossless2, "DefineBitsLossless2"},
    {kTagDefineEditText, "DefineEditText"},
    {kTagDefineSprite, "DefineSprite"},
    {kTagNameCharacter, "NameCharacter"},
    {kTagProductInfo, "ProductInfo"},
    {kTagFrameLabel, "FrameLabel"},
    {kTagSoundStreamHead2, "SoundStreamHead2"},
    {kTagDefineMorphShape, "DefineMorphShape"},
    {kTagDefineFont2, "DefineFont2"},
    {kTagExportAssets, "ExportAssets"},
    {kTagImportAssets, "ImportAssets"},
    {kTagEnableDebugger, "EnableDebugger"},
    {kTagDoInitAction, "DoInitAction"},
    {kTagDefineVideoStream, "DefineVideoStream"},
    {kTagVideoFrame, "VideoFrame"},
    {kTagDefineFontInfo2, "DefineFontInfo2"},
    {kTagDebugId, "DebugID"},
    {kTagEnableDebugger2, "EnableDebugger2"},
    {kTagScriptLimits, "ScriptLimits"},
    {kTagSetTabIndex, "SetTabIndex"},
    {kTagFileAttributes, "FileAttributes"},
    {kTagPlaceObject3, "PlaceObject3"},
    {kTagImportAssets2, "ImportAssets2"},
    {kTagDoAbc2, "DoABC2"},
    {kTagDefineFontAlignZones, "DefineFontAlignZones"},
    {kTagCSMTextSettings, "CSMTextSettings"},
    {kTagDefineFont3, "DefineFont3"},
    {kTagSymbolClass, "SymbolClass"},
    {kTagMetadata, "Metadata"},
    {kTagDefineScalingGrid, "DefineScalingGrid"},
    {kTagDoAbc, "DoABC"},
    {kTagDefineShape4, "DefineShape4"},
    {kTagDefineMorphShape2, "DefineMorphShape2"},
    {kTagDefineSceneAndFrameLabelData, "DefineSceneAndFrameLabelData"},
    {kTagDefineBinaryData, "DefineBinaryData"},
    {kTagDefineFontName, "DefineFontName"},
    {kTagStartSound2, "StartSound2"},
    {kTagDefineBitsJpeg4, "DefineBitsJPEG4"},
    {kTagDefineFont4, "DefineFont4"},
};

} // namespace

std::string SwfTagName(uint16_t code) {
    for (const auto& t : kTagNames) {
        if (t.code == code)
            return t.name;
    }
    return "tag " + std::to_string(code);
}

} // namespace ww
