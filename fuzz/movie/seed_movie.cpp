// Writes a seed corpus for the movie fuzz targets into the folder given: one
// movie per kind of tag the parser reads, from the test fixture writer, and
// small hostile movies. The render target's seeds carry two more bytes, the
// picture's scale and size.
#include "tests/support/fixtures.h"
#include "tests/support/hostile_movies.h"
#include "tests/support/swf_writer.h"

#include <string>
#include <vector>

using namespace ww::test;

namespace {

Bytes Shown(const Bytes& definitions, int id) {
    return MakeMovie(definitions + PlaceObject2Tag(At(1, id)) + ShowFrameTag() + ShowFrameTag(), 2);
}

std::vector<Bytes> Seeds() {
    std::vector<Bytes> seeds;
    FillRecipe gradient;
    gradient.type = 0x13;
    gradient.focal = 0.4;
    gradient.spread = 1;
    gradient.interpolation = 1;
    gradient.matrix.a = gradient.matrix.d = 0.1;
    gradient.stops = {{0, {255, 0, 0, 255}}, {128, {0, 255, 0, 128}}, {255, {0, 0, 255, 255}}};
    LineRecipe line;
    line.width = 80;
    line.join = 2;
    line.startCap = 2;
    ShapeWriter shape({Solid(10, 20, 30), gradient}, {line});
    shape.Select(-1, 1, 1)
        .Rectangle(0, 0, 3000, 2000)
        .Select(2, 0, -1)
        .MoveTo(500, 500)
        .CurveTo(1500, 0, 2500, 500)
        .LineTo(500, 500)
        .NewStyles({Solid(1, 2, 3, 100)}, {line})
        .Select(-1, 1, 1)
        .Rectangle(100, 100, 400, 400);
    for (int version = 1; version <= 4; ++version)
        seeds.push_back(Shown(DefineShapeTag(version, 1, shape, version == 4), 1));

    FillRecipe bitmap;
    bitmap.type = 0x40;
    bitmap.bitmapId = 1;
    bitmap.matrix.a = bitmap.matrix.d = 200;
    ShapeWriter textured({bitmap});
    textured.Select(-1, 1, -1).Rectangle(0, 0, 4000, 4000);
    const Bytes texturedTag = DefineShapeTag(3, 2, textured);
    const Bytes pixels = {255, 10, 20, 30, 128, 40, 50, 60, 0, 0, 0, 0, 255, 1, 2, 3};
    seeds.push_back(Shown(DefineBitsLosslessTag(2, 1, 5, 2, 2, pixels) + texturedTag, 2));
    seeds.push_back(Shown(
        DefineBitsLosslessTag(1, 1, 3, 2, 2, {255, 0, 0, 0, 255, 0, 0, 1, 0, 0, 1, 1, 0, 0}, 2) +
            texturedTag,
        2));
    Bytes rgb(8 * 8 * 3, 90);
    const Bytes jpeg = EncodeJpeg(8, 8, rgb);
    Bytes tables, image;
    SplitJpeg(jpeg, &tables, &image);
    seeds.push_back(Shown(DefineBitsJpeg3Tag(1, jpeg, Bytes(64, 128)) + texturedTag, 2));
    seeds.push_back(Shown(JpegTablesTag(tables) + DefineBitsTag(1, image) + texturedTag, 2));

    ShapeWriter start({Solid(255, 0, 0)}, {line});
    start.Select(-1, 1, 1).Rectangle(0, 0, 2000, 2000);
    ShapeWriter end({Solid(0, 0, 255)}, {line});
    end.Select(-1, 1, 1)
        .MoveTo(1000, 0)
        .CurveTo(3000, 1000, 2000, 2000)
        .LineTo(0, 2000)
        .LineTo(0, 1000)
        .LineTo(1000, 0);
    PlaceRecipe morph = At(1, 1);
    morph.ratio = 30000;
    seeds.push_back(
        MakeMovie(DefineMorphShapeTag(2, 1, start, end) + PlaceObject2Tag(morph) + ShowFrameTag()));

    ShapeWriter glyph;
    glyph.Select(-1, 1, -1).MoveTo(0, 0).LineTo(512, -1024).LineTo(1024, 0).LineTo(0, 0);
    TextRunRecipe run;
    run.fontId = 1;
    run.height = 600;
    run.glyphs = {{0, 500}, {1, 500}, {0, 500}};
    for (int version = 1; version <= 3; ++version)
        seeds.push_back(Shown(DefineFontTag(version, 1, {glyph, glyph}) +
                                  DefineTextTag(version > 1 ? 2 : 1, 2, Translate(400, 900), {run}),
                              2));

    // Text fields in an embedded and a device font, plain and HTML; a button.
    FontRecipe font;
    font.glyphs = {glyph, glyph};
    font.codes = {'A', 'B'};
    font.ascent = 900;
    font.descent = 200;
    font.advances = {1024, 512};
    EditTextRecipe field;
    field.fontId = 1;
    field.useOutlines = field.wordWrap = field.multiline = field.border = true;
    field.text = "AB BA\rAAB";
    seeds.push_back(Shown(DefineFontTag(2, 1, font) + DefineEditTextTag(2, field), 2));
    field.html = true;
    field.useOutlines = false;
    field.text = "<p align='center'><font face='_serif' size='20' color='#FF0000'>A<b>B</b></font>"
                 "</p><li>&amp;&#66;</li><textformat indent='4'>A</textformat>";
    seeds.push_back(Shown(DefineFontTag(3, 1, font) + DefineEditTextTag(2, field), 2));
    ButtonRecordRecipe up, hit;
    up.characterId = 1;
    hit.characterId = 1;
    hit.states = 0x08;
    hit.depth = 2;
    hit.blur = true;
    ButtonActionRecipe action;
    action.records = ActionRecord(0x07) + Bytes{0};
    seeds.push_back(Shown(RectangleShapeTag(1, 1, 0, 0, 2000, 2000, Solid(0, 0, 255)) +
                              DefineButtonTag(2, 2, {up, hit}, {action, action}),
                          2));

    PlaceRecipe clip = At(1, 1);
    clip.clipDepth = 3;
    const Bytes sprite = PlaceObject2Tag(clip) + PlaceObject2Tag(At(2, 2)) +
                         DoActionTag(ActionGotoLabel("x") + ActionRecord(0x06)) + ShowFrameTag() +
                         FrameLabelTag("x") + RemoveObject2Tag(2) + ShowFrameTag();
    seeds.push_back(MakeMovie(
        RectangleShapeTag(1, 1, 0, 0, 2000, 2000, Solid(0, 0, 0)) +
            RectangleShapeTag(1, 2, 1000, 1000, 5000, 5000, Solid(255, 0, 0)) +
            DefineSpriteTag(3, 2, sprite) + PlaceObject3Tag(At(1, 3)) +
            DoActionTag(ActionGotoFrame(1) + ActionRecord(0x07)) + ShowFrameTag() + ShowFrameTag(),
        2));
    SwfRecipe packed = StageRecipe(true);
    packed.tags = DefineShapeTag(3, 1, shape) + PlaceObject2Tag(At(1, 1)) + ShowFrameTag();
    seeds.push_back(MakeSwf(packed));

    for (const Bytes& hostile :
         {ZeroBitGlyphFlood(200), SpriteFanOut(12), FarCurves(300), WideZigzagStroke(200),
          LargeLosslessBitmap(300, 200), HugePngInJpeg2(30000, 30000), NestedMaskStage(600, 9)})
        seeds.push_back(hostile);
    return seeds;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2)
        return 2;
    std::vector<Bytes> seeds = Seeds();
    for (size_t i = 0; i < seeds.size(); ++i) {
#if defined(WW_SEED_render)
        seeds[i].push_back(static_cast<uint8_t>(i % 4));
        seeds[i].push_back(static_cast<uint8_t>(i * 37));
#endif
        WriteFileBytes(std::string(argv[1]) + "/seed" + std::to_string(i), seeds[i]);
    }
    return 0;
}
