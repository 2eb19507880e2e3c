// Text fields as scripts see them: TextField objects whose properties read
// and write the field's state, TextFormat, createTextField, and fields bound
// to variables showing the variables' values frame by frame.
#include "movie/avm1/builtins_util.h"
#include "movie/avm1/clip.h"
#include "movie/avm1/convert.h"
#include "movie/avm1/host.h"
#include "movie/avm1/instances.h"

#include <algorithm>
#include <cmath>

namespace ww::movie::avm1 {

namespace {

constexpr int kScriptDepthBase = 16384;

InstanceState* StateOf(const Value& self) {
    return self.type == Type::Object ? self.o->instance : nullptr;
}

FieldState* FieldOfSelf(const Value& self) {
    InstanceState* s = StateOf(self);
    return s && s->Owner() ? s->field.get() : nullptr;
}

std::string Utf8(const std::u32string& chars) {
    std::string out;
    for (char32_t c : chars) {
        if (c == '\n')
            c = '\r'; // paragraphs end in a carriage return, as Flash reports
        if (c < 0x80) {
            out += static_cast<char>(c);
        } else if (c < 0x800) {
            out += static_cast<char>(0xC0 | (c >> 6));
            out += static_cast<char>(0x80 | (c & 0x3F));
        } else if (c < 0x10000) {
            out += static_cast<char>(0xE0 | (c >> 12));
            out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (c & 0x3F));
        } else {
            out += static_cast<char>(0xF0 | (c >> 18));
            out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
            out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (c & 0x3F));
        }
    }
    return out;
}

// The field's characters with their formats, whatever form it holds them in.
void Styled(const FieldState& f, StyledText* out) {
    if (f.styled) {
        *out = f.styledText;
        return;
    }
    TextFormat format = f.newFormat;
    if (f.edit.html) {
        format.bold = format.italic = false;
        HtmlText(f.edit.text, format, out);
    } else {
        PlainText(f.edit.text, format, out);
    }
}

void Changed(FieldState& f) {
    ++f.generation;
}

void SetText(FieldState& f, const std::string& text, bool html) {
    f.edit.text =
        text.size() > kMaxFieldCharacters * 4 ? text.substr(0, kMaxFieldCharacters * 4) : text;
    f.styled = true;
    TextFormat format = f.newFormat;
    if (html) {
        format.bold = format.italic = false;
        HtmlText(f.edit.text, format, &f.styledText);
    } else {
        PlainText(f.edit.text, format, &f.styledText);
    }
    f.edit.html = html;
    Changed(f);
}

std::string PlainOf(const FieldState& f) {
    StyledText st;
    Styled(f, &st);
    return Utf8(st.chars);
}

void Measure(const Movie& movie, const FieldState& f, TextPicture* picture) {
    DeviceGlyphCache cache;
    if (f.styled)
        LayoutStyledText(movie, f.edit, f.styledText, cache, picture);
    else
        LayoutEditText(movie, f.edit, cache, picture);
}

uint32_t PackRgb(Rgba c) {
    return (uint32_t(c.r) << 16) | (uint32_t(c.g) << 8) | c.b;
}

Rgba UnpackRgb(Vm& vm, const Value& v) {
    const uint32_t rgb = ToUint32(vm.ToNumber(v));
    return Rgba{uint8_t(rgb >> 16), uint8_t(rgb >> 8), uint8_t(rgb), 255};
}

// TextField properties ---------------------------------------------------------

// One property as a getter and a setter over the field's state.
struct FieldProperty {
    const char* name;
    Value (*get)(Vm& vm, FieldState& f, DisplayObject& o);
    void (*set)(Vm& vm, FieldState& f, DisplayObject& o, const Value& v);
};

const char* const kAutoSizeNames[] = {"none", "left", "center", "right"};

const FieldProperty kFieldProperties[] = {
    {"text", [](Vm&, FieldState& f, DisplayObject&) { return Value::Str(PlainOf(f)); },
     [](Vm& vm, FieldState& f, DisplayObject&, const Value& v) {
         SetText(f, vm.ToString(v), false);
     }},
    {"htmlText",
     [](Vm&, FieldState& f, DisplayObject&) {
         return Value::Str(f.edit.html ? f.edit.text : PlainOf(f));
     },
     [](Vm& vm, FieldState& f, DisplayObject&, const Value& v) {
         SetText(f, vm.ToString(v), f.edit.html);
     }},
    {"html", [](Vm&, FieldState& f, DisplayObject&) { return Value::Bool(f.edit.html); },
     [](Vm& vm, FieldState& f, DisplayObject&, const Value& v) {
         f.edit.html = vm.ToBoolean(v);
         Changed(f);
     }},
    {"textColor",
     [](Vm&, FieldState& f, DisplayObject&) { return Value::Num(PackRgb(f.newFormat.color)); },
     [](Vm& vm, FieldState& f, DisplayObject&, const Value& v) {
         const Rgba c = UnpackRgb(vm, v);
         f.edit.color = c;
         f.newFormat.color = c;
         for (TextFormat& t : f.styledText.formats)
             t.color = c;
         Changed(f);
     }},
    {"border", [](Vm&, FieldState& f, DisplayObject&) { return Value::Bool(f.edit.border); },
     [](Vm& vm, FieldState& f, DisplayObject&, const Value& v) {
         f.edit.border = vm.ToBoolean(v);
         Changed(f);
     }},
    {"borderColor",
     [](Vm&, FieldState& f, DisplayObject&) { return Value::Num(PackRgb(f.borderColor)); },
     [](Vm& vm, FieldState& f, DisplayObject&, const Value& v) {
         f.borderColor = UnpackRgb(vm, v);
         Changed(f);
     }},
    {"background", [](Vm&, FieldState& f, DisplayObject&) { return Value::Bool(f.background); },
     [](Vm& vm, FieldState& f, DisplayObject&, const Value& v) {
         f.background = vm.ToBoolean(v);
         Changed(f);
     }},
    {"backgroundColor",
     [](Vm&, FieldState& f, DisplayObject&) { return Value::Num(PackRgb(f.backgroundColor)); },
     [](Vm& vm, FieldState& f, DisplayObject&, const Value& v) {
         f.backgroundColor = UnpackRgb(vm, v);
         Changed(f);
     }},
    {"autoSize",
     [](Vm&, FieldState& f, DisplayObject&) {
         return Value::Str(kAutoSizeNames[static_cast<int>(f.autoSize)]);
     },
     [](Vm& vm, FieldState& f, DisplayObject&, const Value& v) {
         AutoSize a = AutoSize::None;
         if (v.type == Type::Boolean) {
             a = v.b ? AutoSize::Left : AutoSize::None;
         } else {
             const std::string s = vm.ToString(v);
             for (int k = 0; k < 4; ++k) {
                 if (s == kAutoSizeNames[k])
                     a = static_cast<AutoSize>(k);
             }
         }
         f.autoSize = a;
         f.edit.autoSize = a != AutoSize::None;
         Changed(f);
     }},
    {"multiline", [](Vm&, FieldState& f, DisplayObject&) { return Value::Bool(f.edit.multiline); },
     [](Vm& vm, FieldState& f, DisplayObject&, const Value& v) {
         f.edit.multiline = vm.ToBoolean(v);
         Changed(f);
     }},
    {"wordWrap", [](Vm&, FieldState& f, DisplayObject&) { return Value::Bool(f.edit.wordWrap); },
     [](Vm& vm, FieldState& f, DisplayObject&, const Value& v) {
         f.edit.wordWrap = vm.ToBoolean(v);
         Changed(f);
     }},
    {"password", [](Vm&, FieldState& f, DisplayObject&) { return Value::Bool(f.edit.password); },
     [](Vm& vm, FieldState& f, DisplayObject&, const Value& v) {
         f.edit.password = vm.ToBoolean(v);
     }},
    {"selectable", [](Vm&, FieldState& f, DisplayObject&) { return Value::Bool(!f.edit.noSelect); },
     [](Vm& vm, FieldState& f, DisplayObject&, const Value& v) {
         f.edit.noSelect = !vm.ToBoolean(v);
     }},
    {"embedFonts",
     [](Vm&, FieldState& f, DisplayObject&) { return Value::Bool(f.edit.useOutlines); },
     [](Vm& vm, FieldState& f, DisplayObject&, const Value& v) {
         f.edit.useOutlines = vm.ToBoolean(v);
         Changed(f);
     }},
    {"type",
     [](Vm&, FieldState& f, DisplayObject&) {
         return Value::Str(f.edit.readOnly ? "dynamic" : "input");
     },
     [](Vm& vm, FieldState& f, DisplayObject&, const Value& v) {
         const std::string s = vm.ToString(v);
         if (s == "input" || s == "dynamic")
             f.edit.readOnly = s == "dynamic";
     }},
    {"maxChars",
     [](Vm&, FieldState& f, DisplayObject&) {
         return f.edit.maxLength ? Value::Num(f.edit.maxLength) : Value::Null();
     },
     [](Vm& vm, FieldState& f, DisplayObject&, const Value& v) {
         const double n = vm.ToNumber(v);
         f.edit.maxLength = std::isfinite(n) && n > 0 && n < 65536 ? uint16_t(n) : 0;
     }},
    {"variable",
     [](Vm&, FieldState& f, DisplayObject&) {
         return f.edit.variableName.empty() ? Value::Null() : Value::Str(f.edit.variableName);
     },
     [](Vm& vm, FieldState& f, DisplayObject&, const Value& v) {
         f.edit.variableName = v.IsNullish() ? std::string() : vm.ToString(v);
         f.boundSeen = false;
     }},
    {"length",
     [](Vm&, FieldState& f, DisplayObject&) {
         StyledText st;
         Styled(f, &st);
         return Value::Num(static_cast<double>(st.chars.size()));
     },
     nullptr},
    {"textWidth",
     [](Vm& vm, FieldState& f, DisplayObject&) {
         TextPicture p;
         Measure(ScriptHost::Of(vm).movie(), f, &p);
         return Value::Num(std::round(p.textWidth / kTwipsPerPixel));
     },
     nullptr},
    {"textHeight",
     [](Vm& vm, FieldState& f, DisplayObject&) {
         TextPicture p;
         Measure(ScriptHost::Of(vm).movie(), f, &p);
         return Value::Num(std::round(p.textHeight / kTwipsPerPixel));
     },
     nullptr},
    {"scroll", [](Vm&, FieldState& f, DisplayObject&) { return Value::Num(f.scroll); },
     [](Vm& vm, FieldState& f, DisplayObject&, const Value& v) {
         const double n = vm.ToNumber(v);
         if (std::isfinite(n))
             f.scroll = static_cast<int>(std::clamp(n, 1.0, 1e6));
     }},
    {"maxscroll",
     [](Vm& vm, FieldState& f, DisplayObject&) {
         // Lines that do not fit the box are what scrolling reaches.
         TextPicture p;
         Measure(ScriptHost::Of(vm).movie(), f, &p);
         StyledText st;
         Styled(f, &st);
         const double lines = 1 + std::count(st.chars.begin(), st.chars.end(), U'\n');
         const double lineHeight = lines > 0 ? p.textHeight / lines : 0;
         const double room = (f.edit.bounds.ymax - f.edit.bounds.ymin) - 2 * kFieldGutter;
         if (lineHeight <= 0 || p.textHeight <= room)
             return Value::Num(1);
         return Value::Num(1 + std::ceil((p.textHeight - room) / lineHeight));
     },
     nullptr},
    {"_x", [](Vm&, FieldState&, DisplayObject& o) { return Value::Num(o.matrix.tx / 20.0); },
     [](Vm& vm, FieldState&, DisplayObject& o, const Value& v) {
         const double n = vm.ToNumber(v);
         if (std::isfinite(n))
             o.matrix.tx = std::trunc(n * kTwipsPerPixel);
     }},
    {"_y", [](Vm&, FieldState&, DisplayObject& o) { return Value::Num(o.matrix.ty / 20.0); },
     [](Vm& vm, FieldState&, DisplayObject& o, const Value& v) {
         const double n = vm.ToNumber(v);
         if (std::isfinite(n))
             o.matrix.ty = std::trunc(n * kTwipsPerPixel);
     }},
    {"_width",
     [](Vm& vm, FieldState& f, DisplayObject& o) {
         TextPicture p;
         Measure(ScriptHost::Of(vm).movie(), f, &p);
         const double sx = std::hypot(o.matrix.a, o.matrix.b);
         return Value::Num((p.box.xmax - p.box.xmin) * sx / 20.0);
     },
     [](Vm& vm, FieldState& f, DisplayObject&, const Value& v) {
         const double n = vm.ToNumber(v);
         if (std::isfinite(n) && n >= 0 && n < 1e6) {
             f.edit.bounds.xmax = f.edit.bounds.xmin + static_cast<int32_t>(n * kTwipsPerPixel);
             Changed(f);
         }
     }},
    {"_height",
     [](Vm& vm, FieldState& f, DisplayObject& o) {
         TextPicture p;
         Measure(ScriptHost::Of(vm).movie(), f, &p);
         const double sy = std::hypot(o.matrix.c, o.matrix.d);
         return Value::Num((p.box.ymax - p.box.ymin) * sy / 20.0);
     },
     [](Vm& vm, FieldState& f, DisplayObject&, const Value& v) {
         const double n = vm.ToNumber(v);
         if (std::isfinite(n) && n >= 0 && n < 1e6) {
             f.edit.bounds.ymax = f.edit.bounds.ymin + static_cast<int32_t>(n * kTwipsPerPixel);
             Changed(f);
         }
     }},
    {"_alpha",
     [](Vm&, FieldState&, DisplayObject& o) { return Value::Num(o.color.mult[3] * 100.0); },
     [](Vm& vm, FieldState&, DisplayObject& o, const Value& v) {
         const double n = vm.ToNumber(v);
         if (std::isfinite(n))
             o.color.mult[3] = static_cast<float>(n / 100);
     }},
    {"_visible", [](Vm&, FieldState&, DisplayObject& o) { return Value::Bool(o.visible); },
     [](Vm& vm, FieldState&, DisplayObject& o, const Value& v) { o.visible = vm.ToBoolean(v); }},
    {"_name", [](Vm&, FieldState&, DisplayObject& o) { return Value::Str(o.name); },
     [](Vm& vm, FieldState&, DisplayObject& o, const Value& v) { o.name = vm.ToString(v); }},
};

// Native getters and setters know their property by a number kept on the
// function object's primitive.
void SyncField(Vm& vm, SpriteState& parent, DisplayObject& o);

Value FieldGet(Vm& vm, Value self, const Args&, size_t k) {
    InstanceState* s = StateOf(self);
    DisplayObject* o = s ? s->Owner() : nullptr;
    if (!o || !s->field)
        return Value::Undefined();
    // A bound field's text is its variable's, as it stands now.
    if (k < 2 && !s->field->edit.variableName.empty())
        SyncField(vm, *s->parent, *o);
    return kFieldProperties[k].get(vm, *s->field, *o);
}

bool ResolveVariable(Vm& vm, Object* from, const std::string& path, Object** holder,
                     std::string* name);

void FieldSet(Vm& vm, Value self, const Args& args, size_t k) {
    InstanceState* s = StateOf(self);
    DisplayObject* o = s ? s->Owner() : nullptr;
    if (!o || !s->field || !kFieldProperties[k].set)
        return;
    FieldState& f = *s->field;
    kFieldProperties[k].set(vm, f, *o, args[0]);
    // Text a script gives a bound field goes to its variable too (text and
    // htmlText lead the table).
    const bool text = k < 2;
    Object* holder;
    std::string name;
    if (text && !f.edit.variableName.empty() &&
        ResolveVariable(vm, ScriptHost::Of(vm).ObjectOf(*s->parent), f.edit.variableName, &holder,
                        &name)) {
        f.boundText = f.edit.text;
        f.boundSeen = true;
        vm.Set(holder, name, Value::Str(f.edit.text));
    }
}

template <size_t K> Value GetK(Vm& vm, Value self, const Args& args) {
    return FieldGet(vm, self, args, K);
}
template <size_t K> Value SetK(Vm& vm, Value self, const Args& args) {
    FieldSet(vm, self, args, K);
    return Value::Undefined();
}

template <size_t... K>
void DefineFieldProperties(Vm& vm, Object* proto, std::index_sequence<K...>) {
    const NativeFn getters[] = {GetK<K>...};
    const NativeFn setters[] = {SetK<K>...};
    for (size_t k = 0; k < sizeof...(K); ++k) {
        vm.Define(proto, kFieldProperties[k].name, Value::Undefined(), kDontEnum);
        Property* p = proto->FindOwn(vm.Key(kFieldProperties[k].name));
        if (!p)
            continue;
        p->getter = vm.MakeFunction(getters[k]);
        p->setter = vm.MakeFunction(setters[k]);
    }
}

// TextFormat ---------------------------------------------------------------------

const char* const kFormatFields[] = {
    "font",   "size",     "color",      "bold",          "italic", "underline", "url",
    "target", "align",    "leftMargin", "rightMargin",   "indent", "leading",   "blockIndent",
    "bullet", "tabStops", "kerning",    "letterSpacing", "display"};
const char* const kAlignNames[] = {"left", "right", "center", "justify"};

Value TextFormatConstruct(Vm& vm, Value self, const Args& args) {
    Object* o = SelfObject(self);
    if (!o)
        return Value::Undefined();
    for (size_t k = 0; k < sizeof(kFormatFields) / sizeof(kFormatFields[0]); ++k)
        vm.Set(o, kFormatFields[k], k < 13 && k < args.size() ? args[k] : Value::Null());
    return self;
}

// A TextFormat object with every field from a format.
Object* FormatObject(Vm& vm, const TextFormat& f) {
    Value ctor = vm.GetOf(vm.global, "TextFormat");
    Value made = vm.Construct(ctor, Args());
    if (made.type != Type::Object)
        return nullptr;
    Object* o = made.o;
    vm.Set(o, "font", Value::Str(f.font));
    vm.Set(o, "size", Value::Num(f.size / kTwipsPerPixel));
    vm.Set(o, "color", Value::Num(PackRgb(f.color)));
    vm.Set(o, "bold", Value::Bool(f.bold));
    vm.Set(o, "italic", Value::Bool(f.italic));
    vm.Set(o, "underline", Value::Bool(f.underline));
    vm.Set(o, "url", Value::Str(f.url));
    vm.Set(o, "target", Value::Str(f.target));
    vm.Set(o, "align", Value::Str(kAlignNames[f.align & 3]));
    vm.Set(o, "leftMargin", Value::Num(f.leftMargin / kTwipsPerPixel));
    vm.Set(o, "rightMargin", Value::Num(f.rightMargin / kTwipsPerPixel));
    vm.Set(o, "indent", Value::Num(f.indent / kTwipsPerPixel));
    vm.Set(o, "leading", Value::Num(f.leading / kTwipsPerPixel));
    vm.Set(o, "blockIndent", Value::Num(0));
    vm.Set(o, "bullet", Value::Bool(f.bullet));
    vm.Set(o, "kerning", Value::Bool(false));
    vm.Set(o, "letterSpacing", Value::Num(f.letterSpacing / kTwipsPerPixel));
    vm.Set(o, "display", Value::Str("block"));
    return o;
}

// The fields a TextFormat object sets (not null or undefined) applied to f.
void ApplyFormat(Vm& vm, Object* from, TextFormat* f) {
    auto field = [&](const char* name, Value* v) {
        *v = vm.GetOf(from, name);
        return !v->IsNullish();
    };
    auto pixels = [&](const Value& v, double* out) {
        const double n = vm.ToNumber(v);
        if (std::isfinite(n))
            *out = std::clamp(n, -1e5, 1e5) * kTwipsPerPixel;
    };
    Value v;
    if (field("font", &v))
        f->font = vm.ToString(v);
    if (field("size", &v)) {
        const double n = vm.ToNumber(v);
        if (std::isfinite(n) && n >= 0)
            f->size = std::min(n, 1e4) * kTwipsPerPixel;
    }
    if (field("color", &v))
        f->color = UnpackRgb(vm, v);
    if (field("bold", &v))
        f->bold = vm.ToBoolean(v);
    if (field("italic", &v))
        f->italic = vm.ToBoolean(v);
    if (field("underline", &v))
        f->underline = vm.ToBoolean(v);
    if (field("url", &v))
        f->url = vm.ToString(v);
    if (field("target", &v))
        f->target = vm.ToString(v);
    if (field("align", &v)) {
        const std::string s = vm.ToString(v);
        for (uint8_t k = 0; k < 4; ++k) {
            if (s == kAlignNames[k])
                f->align = k;
        }
    }
    if (field("leftMargin", &v))
        pixels(v, &f->leftMargin);
    if (field("rightMargin", &v))
        pixels(v, &f->rightMargin);
    if (field("indent", &v))
        pixels(v, &f->indent);
    if (field("leading", &v))
        pixels(v, &f->leading);
    if (field("letterSpacing", &v))
        pixels(v, &f->letterSpacing);
    if (field("bullet", &v))
        f->bullet = vm.ToBoolean(v);
}

// The character range a setTextFormat or getTextFormat call names: (),
// (index) or (begin, end); false when it is empty.
bool Range(Vm& vm, const Args& args, size_t count, size_t formatArgs, size_t* begin, size_t* end) {
    const size_t given = args.size() > formatArgs ? args.size() - formatArgs : 0;
    *begin = 0;
    *end = count;
    auto index = [&](const Value& v, size_t fallback) {
        const double n = vm.ToNumber(v);
        if (!std::isfinite(n) || n < 0)
            return fallback;
        return static_cast<size_t>(std::min<double>(n, static_cast<double>(count)));
    };
    if (given >= 1) {
        *begin = index(args[0], 0);
        *end = given >= 2 ? index(args[1], count) : std::min(*begin + 1, count);
    }
    return *begin < *end;
}

Value SetTextFormat(Vm& vm, Value self, const Args& args) {
    FieldState* f = FieldOfSelf(self);
    if (!f || args.size() == 0)
        return Value::Undefined();
    Object* format = SelfObject(args[args.size() - 1]);
    if (!format)
        return Value::Undefined();
    StyledText st;
    Styled(*f, &st);
    size_t begin, end;
    if (!Range(vm, args, st.chars.size(), 1, &begin, &end))
        return Value::Undefined();
    // Each format in the range is copied once with the changes applied.
    std::vector<int64_t> remap(st.formats.size(), -1);
    for (size_t i = begin; i < end; ++i) {
        const uint32_t old = st.formatOf[i];
        if (remap[old] < 0) {
            TextFormat changed = st.formats[old];
            ApplyFormat(vm, format, &changed);
            remap[old] = static_cast<int64_t>(st.formats.size());
            st.formats.push_back(changed);
            remap.push_back(-1);
        }
        st.formatOf[i] = static_cast<uint32_t>(remap[old]);
    }
    f->styledText = std::move(st);
    f->styled = true;
    Changed(*f);
    return Value::Undefined();
}

Value GetTextFormat(Vm& vm, Value self, const Args& args) {
    FieldState* f = FieldOfSelf(self);
    if (!f)
        return Value::Undefined();
    StyledText st;
    Styled(*f, &st);
    size_t begin, end;
    if (!Range(vm, args, st.chars.size(), 0, &begin, &end) || st.formats.empty())
        return Value::Obj(FormatObject(vm, f->newFormat));
    Object* o = FormatObject(vm, st.formats[st.formatOf[begin]]);
    if (!o)
        return Value::Undefined();
    // A field whose value differs across the range is null.
    for (size_t i = begin + 1; i < end; ++i) {
        if (st.formatOf[i] == st.formatOf[begin])
            continue;
        Object* other = FormatObject(vm, st.formats[st.formatOf[i]]);
        if (!other)
            break;
        for (const char* name : kFormatFields) {
            const Value a = vm.GetOf(o, name), b = vm.GetOf(other, name);
            if (!vm.StrictEquals(a, b))
                vm.Set(o, name, Value::Null());
        }
    }
    return Value::Obj(o);
}

Value SetNewTextFormat(Vm& vm, Value self, const Args& args) {
    FieldState* f = FieldOfSelf(self);
    Object* format = SelfObject(args[0]);
    if (f && format)
        ApplyFormat(vm, format, &f->newFormat);
    return Value::Undefined();
}

Value GetNewTextFormat(Vm& vm, Value self, const Args&) {
    FieldState* f = FieldOfSelf(self);
    return f ? Value::Obj(FormatObject(vm, f->newFormat)) : Value::Undefined();
}

Value RemoveTextField(Vm& vm, Value self, const Args&) {
    InstanceState* s = StateOf(self);
    DisplayObject* o = s ? s->Owner() : nullptr;
    // Only fields a script made can be removed by a script.
    if (o && o->scripted && s->parent)
        ScriptHost::Of(vm).RemoveAt(*s->parent, o->depth);
    return Value::Undefined();
}

Value FieldDepth(Vm&, Value self, const Args&) {
    InstanceState* s = StateOf(self);
    DisplayObject* o = s ? s->Owner() : nullptr;
    return o ? Value::Num(static_cast<double>(o->depth) - kScriptDepthBase) : Value::Undefined();
}

// createTextField(name, depth, x, y, width, height) -------------------------------

Value CreateTextField(Vm& vm, Value self, const Args& args) {
    Object* c = SelfObject(self);
    if (!c || c->kind != ObjectKind::Clip || !c->clip)
        return Value::Undefined();
    const double numbers[5] = {vm.ToNumber(args[1]), vm.ToNumber(args[2]), vm.ToNumber(args[3]),
                               vm.ToNumber(args[4]), vm.ToNumber(args[5])};
    for (double n : numbers) {
        if (!std::isfinite(n) || std::fabs(n) > 1e6)
            return Value::Undefined();
    }
    const double depth = numbers[0] + kScriptDepthBase;
    if (depth < 0 || depth > 65535)
        return Value::Undefined();
    ScriptHost& host = ScriptHost::Of(vm);
    SpriteState& parent = *c->clip;
    DisplayObject fresh;
    fresh.depth = static_cast<uint16_t>(depth);
    fresh.ref = CharacterRef{CharacterKind::EditText, UINT32_MAX};
    fresh.scripted = true;
    fresh.name = vm.ToString(args[0]);
    fresh.matrix.tx = std::trunc(numbers[1] * kTwipsPerPixel);
    fresh.matrix.ty = std::trunc(numbers[2] * kTwipsPerPixel);
    DisplayObject* placed = host.AddScripted(parent, std::move(fresh));
    if (!placed)
        return Value::Undefined();
    DisplayObject& o = *placed;
    InstanceState* state = InstanceOf(parent, o);
    auto field = std::make_unique<FieldState>();
    EditText& e = field->edit;
    e.bounds = Rect{0, static_cast<int32_t>(std::trunc(numbers[3] * kTwipsPerPixel)), 0,
                    static_cast<int32_t>(std::trunc(numbers[4] * kTwipsPerPixel))};
    e.readOnly = true;
    e.hasFont = false;
    e.fontClass = "Times New Roman";
    e.fontHeight = 240;
    field->newFormat = FieldFormat(host.movie(), e);
    state->field = std::move(field);
    return Value::Obj(InstanceObject(vm, parent, o));
}

// Bound variables ------------------------------------------------------------------

// "a.b.v", "/a/b:v" or "v": the clip that holds the variable and its name.
bool ResolveVariable(Vm& vm, Object* from, const std::string& path, Object** holder,
                     std::string* name) {
    size_t cut = path.find_last_of(":.");
    if (cut == std::string::npos) {
        *holder = from;
        *name = path;
    } else {
        *holder = ResolveClipPath(vm, from, path.substr(0, cut));
        *name = path.substr(cut + 1);
    }
    return *holder && !name->empty();
}

void SyncField(Vm& vm, SpriteState& parent, DisplayObject& o) {
    const Movie& movie = ScriptHost::Of(vm).movie();
    // Unbound fields keep drawing from their tags.
    if (!o.instance && (o.ref.index >= movie.editTexts.size() ||
                        movie.editTexts[o.ref.index].variableName.empty()))
        return;
    FieldState* f = FieldOf(parent, o, movie);
    if (!f || f->edit.variableName.empty())
        return;
    Object* holder;
    std::string name;
    if (!ResolveVariable(vm, ScriptHost::Of(vm).ObjectOf(parent), f->edit.variableName, &holder,
                         &name))
        return;
    const Value v = vm.GetOf(holder, name);
    if (!f->boundSeen) {
        f->boundSeen = true;
        // A variable not yet set takes the field's own text, if it has any.
        const std::string own = f->edit.html ? f->edit.text : PlainOf(*f);
        if (v.IsUndefined() && !own.empty()) {
            vm.Set(holder, name, Value::Str(own));
            f->boundText = own;
            return;
        }
    }
    const std::string text = v.IsUndefined() ? std::string() : vm.ToString(v);
    if (text == f->boundText && f->styled)
        return;
    f->boundText = text;
    SetText(*f, text, f->edit.html);
}

void SyncBound(Vm& vm, SpriteState& s, int nesting) {
    if (nesting > kMaxSpriteNesting)
        return;
    for (auto& entry : s.objects) {
        DisplayObject& o = entry.second;
        if (o.sprite)
            SyncBound(vm, *o.sprite, nesting + 1);
        else if (o.ref.kind == CharacterKind::EditText)
            SyncField(vm, s, o);
    }
}

} // namespace

Object* InstanceObject(Vm& vm, SpriteState& parent, DisplayObject& o) {
    InstanceState* state = InstanceOf(parent, o);
    if (!state)
        return nullptr;
    if (state->script)
        return state->script;
    const bool field = o.ref.kind == CharacterKind::EditText;
    if (field && !FieldOf(parent, o, ScriptHost::Of(vm).movie()))
        return nullptr;
    const Value ctor = vm.GetOf(vm.global, field ? "TextField" : "Button");
    const Value proto = ctor.type == Type::Object ? vm.GetOf(ctor.o, "prototype") : Value();
    Object* script = vm.MakeObject(proto.type == Type::Object ? proto.o : vm.objectProto);
    script->instance = state;
    state->script = script;
    return script;
}

bool InstanceChild(Vm& vm, SpriteState& s, const std::string& name, Value* out) {
    const std::string key = vm.Key(name);
    for (auto& entry : s.objects) {
        DisplayObject& o = entry.second;
        if (o.sprite || o.name.empty() || vm.Key(o.name) != key)
            continue;
        if (Object* script = InstanceObject(vm, s, o)) {
            *out = Value::Obj(script);
            return true;
        }
    }
    return false;
}

void InstanceRoots(SpriteState& s, std::vector<Object*>* roots) {
    for (auto& entry : s.objects) {
        const DisplayObject& o = entry.second;
        if (o.instance && o.instance->script)
            roots->push_back(o.instance->script);
    }
}

void SyncBoundFields(Vm& vm, SpriteState& root) {
    SyncBound(vm, root, 0);
}

void InstallTextBuiltins(Vm& vm) {
    Object* proto = vm.MakeObject(vm.objectProto);
    MakeClass(vm, "TextField", nullptr, nullptr, proto);
    DefineFieldProperties(
        vm, proto,
        std::make_index_sequence<sizeof(kFieldProperties) / sizeof(kFieldProperties[0])>());
    Method(vm, proto, "setTextFormat", SetTextFormat);
    Method(vm, proto, "getTextFormat", GetTextFormat);
    Method(vm, proto, "setNewTextFormat", SetNewTextFormat);
    Method(vm, proto, "getNewTextFormat", GetNewTextFormat);
    Method(vm, proto, "removeTextField", RemoveTextField);
    Method(vm, proto, "getDepth", FieldDepth);

    Object* formatProto = vm.MakeObject(vm.objectProto);
    MakeClass(vm, "TextFormat", nullptr, TextFormatConstruct, formatProto);

    Method(vm, vm.clipProto, "createTextField", CreateTextField);
}

} // namespace ww::movie::avm1
