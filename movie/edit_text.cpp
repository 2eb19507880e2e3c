// DefineEditText: bounds (RECT), then two flag bytes, first bit first:
// HasText, WordWrap, Multiline, Password, ReadOnly, HasTextColor,
// HasMaxLength, HasFont; HasFontClass, AutoSize, HasLayout, NoSelect, Border,
// WasStatic, HTML, UseOutlines. Then, each when its flag says: font id (UI16),
// font class (STRING), font height (UI16, twips, with a font or a class),
// text colour (RGBA), max length (UI16), layout (align UI8, left and right
// margins, indent UI16, leading SI16), the variable name (STRING, always),
// the initial text (STRING).
#include "movie/edit_text.h"

#include "movie/device_font.h"

#include <algorithm>

namespace ww::movie {

namespace {

// A field drawn in a device font no file can be found for shows no text;
// the movie says so once.
void NoteMissingDeviceFont(const EditText& f, ParseContext& ctx) {
    if (f.useOutlines)
        return;
    std::string name = f.fontClass;
    const CharacterRef* ref = f.hasFont ? ctx.movie().Find(f.fontId) : nullptr;
    if (ref && ref->kind == CharacterKind::Font)
        name = ctx.movie().fonts[ref->index].name;
    if (FindDeviceFace(DeviceFamilyOf(name)))
        return;
    const std::string problem = "no device font can be read: text in device fonts is not drawn";
    const auto& problems = ctx.movie().problems;
    if (std::find(problems.begin(), problems.end(), problem) == problems.end())
        ctx.Problem(problem);
}

} // namespace

bool ParseEditText(TagReader& r, int, EditText* f, ParseContext& ctx) {
    f->bounds = r.ReadRect();
    r.Align();
    const uint8_t a = r.U8(), b = r.U8();
    const bool hasText = a & 0x80, hasColor = a & 0x04, hasMaxLength = a & 0x02, hasFont = a & 0x01,
               hasFontClass = b & 0x80;
    f->wordWrap = a & 0x40;
    f->multiline = a & 0x20;
    f->password = a & 0x10;
    f->readOnly = a & 0x08;
    f->autoSize = b & 0x40;
    f->hasLayout = b & 0x20;
    f->noSelect = b & 0x10;
    f->border = b & 0x08;
    f->wasStatic = b & 0x04;
    f->html = b & 0x02;
    f->useOutlines = b & 0x01;
    f->hasFont = hasFont;
    if (hasFont)
        f->fontId = r.U16();
    if (hasFontClass)
        f->fontClass = r.String();
    if (hasFont || hasFontClass)
        f->fontHeight = r.U16();
    if (hasColor)
        f->color = r.ReadRgba();
    if (hasMaxLength)
        f->maxLength = r.U16();
    if (f->hasLayout) {
        f->align = r.U8();
        f->leftMargin = r.U16();
        f->rightMargin = r.U16();
        f->indent = r.U16();
        f->leading = r.I16();
    }
    f->variableName = r.String();
    if (hasText)
        f->text = r.String();
    if (!r.ok()) {
        ctx.Problem("text field is cut short");
        return false;
    }
    NoteMissingDeviceFont(*f, ctx);
    return ctx.Charge(sizeof(EditText) + f->text.size() + f->variableName.size() +
                      f->fontClass.size());
}

} // namespace ww::movie
