// XMLNode and XML: the document tree scripts parse, walk, change and print.
//
// A node is a plain object whose element list holds its record: the slots
// below, then its children. Scripts never reach an element list of a plain
// object, so the record cannot be forged; the public childNodes array is a
// copy kept in step with the children. Parsing, printing and cloning walk
// with explicit stacks: a document nested 10,000 deep costs no native stack.
#include "movie/avm1/builtins_util.h"
#include "movie/avm1/convert.h"
#include "movie/avm1/loader.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace ww::movie::avm1 {

namespace {

enum Slot : size_t { kType, kName, kValue, kAttributes, kChildNodes, kParent, kFirstChild };

constexpr int kElementNode = 1, kTextNode = 3;
// Estimated bytes of a node beyond its strings: its record and two objects.
constexpr uint64_t kNodeCost = 400;

Object* AsNode(const Value& v) {
    if (v.type != Type::Object || v.o->kind != ObjectKind::Plain ||
        v.o->elements.size() < kFirstChild)
        return nullptr;
    const std::vector<Value>& record = v.o->elements;
    const bool shaped = record[kType].type == Type::Number &&
                        record[kChildNodes].type == Type::Object &&
                        record[kChildNodes].o->kind == ObjectKind::Array;
    return shaped ? v.o : nullptr;
}

size_t ChildCount(Object* n) {
    return n->elements.size() - kFirstChild;
}

Object* ChildAt(Object* n, size_t i) {
    return n->elements[kFirstChild + i].o;
}

Object* ParentOf(Object* n) {
    return n->elements[kParent].type == Type::Object ? n->elements[kParent].o : nullptr;
}

bool ChargeNode(Vm& vm, Object* n, uint64_t bytes) {
    if (!vm.Charge(bytes))
        return false;
    n->charged += bytes;
    return true;
}

// The public childNodes array takes the children again.
void SyncChildNodes(Object* n) {
    Value& list = n->elements[kChildNodes];
    if (list.type != Type::Object || list.o->kind != ObjectKind::Array)
        return;
    list.o->elements.assign(n->elements.begin() + kFirstChild, n->elements.end());
}

void Detach(Object* child);

// Gives a fresh object (or one a script's constructor made) a node's record;
// a node made again leaves its tree first.
bool InitNode(Vm& vm, Object* n, int type, Value name, Value value) {
    if (!ChargeNode(vm, n, kNodeCost + name.s.size() + value.s.size()))
        return false;
    if (AsNode(Value::Obj(n))) {
        Detach(n);
        for (size_t i = kFirstChild; i < n->elements.size(); ++i)
            n->elements[i].o->elements[kParent] = Value::Null();
    }
    n->elements.assign(kFirstChild, Value::Null());
    n->elements[kType] = Value::Num(type);
    n->elements[kName] = std::move(name);
    n->elements[kValue] = std::move(value);
    n->elements[kAttributes] = Value::Obj(vm.MakeObject(vm.objectProto));
    n->elements[kChildNodes] = Value::Obj(vm.MakeArray());
    return true;
}

Object* NodeProto(Vm& vm) {
    Value ctor = vm.GetOf(vm.global, "XMLNode");
    Value proto = ctor.type == Type::Object ? vm.GetOf(ctor.o, "prototype") : Value();
    return proto.type == Type::Object ? proto.o : vm.objectProto;
}

Object* NewNode(Vm& vm, int type, Value name, Value value) {
    Object* n = vm.MakeObject(NodeProto(vm));
    if (!InitNode(vm, n, type, std::move(name), std::move(value)))
        return nullptr;
    return n;
}

bool IsAncestorOrSelf(Object* a, Object* n) {
    for (Object* p = n; p; p = ParentOf(p)) {
        if (p == a)
            return true;
    }
    return false;
}

void Detach(Object* child) {
    Object* parent = ParentOf(child);
    if (!parent)
        return;
    auto& e = parent->elements;
    for (size_t i = kFirstChild; i < e.size(); ++i) {
        if (e[i].o == child) {
            e.erase(e.begin() + static_cast<std::ptrdiff_t>(i));
            break;
        }
    }
    child->elements[kParent] = Value::Null();
    SyncChildNodes(parent);
}

// Puts child under parent before its child at index; a node never becomes
// its own ancestor.
bool Adopt(Object* parent, Object* child, size_t index) {
    if (IsAncestorOrSelf(child, parent))
        return false;
    Detach(child);
    index = std::min(index, ChildCount(parent));
    parent->elements.insert(parent->elements.begin() +
                                static_cast<std::ptrdiff_t>(kFirstChild + index),
                            Value::Obj(child));
    child->elements[kParent] = Value::Obj(parent);
    SyncChildNodes(parent);
    return true;
}

// Parsing ------------------------------------------------------------------

bool IsSpace(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

void AppendUtf8(uint32_t cp, std::string* out) {
    if (cp < 0x80) {
        *out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        *out += static_cast<char>(0xC0 | (cp >> 6));
        *out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        *out += static_cast<char>(0xE0 | (cp >> 12));
        *out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        *out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        *out += static_cast<char>(0xF0 | (cp >> 18));
        *out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        *out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        *out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

// A character reference's code point; false when it is not one.
bool NumericReference(const std::string& body, uint32_t* cp) {
    if (body.size() < 2 || body[0] != '#')
        return false;
    const bool hex = body[1] == 'x' || body[1] == 'X';
    size_t i = hex ? 2 : 1;
    if (i >= body.size())
        return false;
    uint32_t v = 0;
    for (; i < body.size(); ++i) {
        const char c = body[i];
        int d = -1;
        if (c >= '0' && c <= '9')
            d = c - '0';
        else if (hex && c >= 'a' && c <= 'f')
            d = c - 'a' + 10;
        else if (hex && c >= 'A' && c <= 'F')
            d = c - 'A' + 10;
        if (d < 0)
            return false;
        v = v * (hex ? 16 : 10) + static_cast<uint32_t>(d);
        if (v > 0x10FFFF)
            return false;
    }
    if (v == 0)
        return false;
    *cp = v;
    return true;
}

// Entities and character references become their characters; anything else
// after an ampersand stays as written.
std::string Unescape(const char* s, size_t n) {
    static const struct {
        const char* name;
        char c;
    } kEntities[] = {{"lt", '<'}, {"gt", '>'}, {"amp", '&'}, {"quot", '"'}, {"apos", '\''}};
    std::string out;
    out.reserve(n);
    for (size_t i = 0; i < n; ++i) {
        if (s[i] != '&') {
            out += s[i];
            continue;
        }
        size_t end = i + 1;
        while (end < n && end - i <= 10 && s[end] != ';' && s[end] != '&')
            ++end;
        bool done = false;
        if (end < n && s[end] == ';') {
            const std::string body(s + i + 1, end - i - 1);
            uint32_t cp = 0;
            for (const auto& e : kEntities) {
                if (body == e.name) {
                    out += e.c;
                    done = true;
                }
            }
            if (!done && NumericReference(body, &cp)) {
                AppendUtf8(cp, &out);
                done = true;
            }
        }
        if (done)
            i = end;
        else
            out += '&';
    }
    return out;
}

class XmlParser {
  public:
    XmlParser(Vm& vm, Object* doc, const std::string& text, bool ignoreWhite)
        : vm_(vm), doc_(doc), s_(text), ignoreWhite_(ignoreWhite) {}

    int Run() {
        open_.push_back(doc_);
        while (pos_ < s_.size()) {
            const int status = s_[pos_] == '<' ? Markup() : Text();
            if (status != kXmlOk)
                return Finish(status);
        }
        return Finish(open_.size() > 1 ? kXmlElementOpen : kXmlOk);
    }

  private:
    int Finish(int status) {
        for (Object* n : touched_)
            SyncChildNodes(n);
        return status;
    }

    bool Add(Object* child) {
        if (!child)
            return false;
        Object* parent = open_.back();
        if (parent->elements.size() == kFirstChild)
            touched_.push_back(parent);
        parent->elements.push_back(Value::Obj(child));
        child->elements[kParent] = Value::Obj(parent);
        return true;
    }

    bool AddText(std::string text) {
        return Add(NewNode(vm_, kTextNode, Value::Null(), Value::Str(std::move(text))));
    }

    int Text() {
        size_t end = s_.find('<', pos_);
        if (end == std::string::npos)
            end = s_.size();
        const size_t start = pos_;
        pos_ = end;
        if (ignoreWhite_) {
            size_t i = start;
            while (i < end && IsSpace(s_[i]))
                ++i;
            if (i == end)
                return kXmlOk;
        }
        return AddText(Unescape(s_.data() + start, end - start)) ? kXmlOk : kXmlOutOfMemory;
    }

    bool StartsWith(const char* prefix) const {
        return s_.compare(pos_, std::strlen(prefix), prefix) == 0;
    }

    // The text up to and including the first close after pos_ + skip;
    // false when there is none.
    bool Span(size_t skip, const char* close, std::string* whole, std::string* inner) {
        const size_t end = s_.find(close, pos_ + skip);
        if (end == std::string::npos)
            return false;
        const size_t after = end + std::strlen(close);
        if (whole)
            *whole = s_.substr(pos_, after - pos_);
        if (inner)
            *inner = s_.substr(pos_ + skip, end - pos_ - skip);
        pos_ = after;
        return true;
    }

    int Markup() {
        std::string whole, inner;
        if (StartsWith("<!--"))
            return Span(4, "-->", nullptr, nullptr) ? kXmlOk : kXmlCommentOpen;
        if (StartsWith("<![CDATA[")) {
            if (!Span(9, "]]>", nullptr, &inner))
                return kXmlCdataOpen;
            return AddText(std::move(inner)) ? kXmlOk : kXmlOutOfMemory;
        }
        if (StartsWith("<?")) {
            if (!Span(2, "?>", &whole, nullptr))
                return kXmlDeclarationOpen;
            return Declare("xmlDecl", whole);
        }
        if (StartsWith("<!"))
            return Doctype();
        if (StartsWith("</"))
            return EndTag();
        return StartTag();
    }

    int Declare(const char* name, const std::string& text) {
        if (!vm_.Charge(text.size()))
            return kXmlOutOfMemory;
        vm_.Set(doc_, name, Value::Str(text));
        return kXmlOk;
    }

    // <!DOCTYPE ...>, with an internal subset in brackets that may hold '>'.
    int Doctype() {
        size_t i = pos_ + 2;
        int brackets = 0;
        for (; i < s_.size(); ++i) {
            if (s_[i] == '[')
                ++brackets;
            else if (s_[i] == ']' && brackets > 0)
                --brackets;
            else if (s_[i] == '>' && brackets == 0)
                break;
        }
        if (i >= s_.size())
            return kXmlDoctypeOpen;
        const std::string text = s_.substr(pos_, i + 1 - pos_);
        pos_ = i + 1;
        return Declare("docTypeDecl", text);
    }

    size_t NameEnd(size_t i) const {
        while (i < s_.size() && !IsSpace(s_[i]) && s_[i] != '/' && s_[i] != '>' && s_[i] != '=')
            ++i;
        return i;
    }

    void SkipSpace() {
        while (pos_ < s_.size() && IsSpace(s_[pos_]))
            ++pos_;
    }

    int EndTag() {
        const size_t nameStart = pos_ + 2;
        const size_t nameEnd = NameEnd(nameStart);
        pos_ = nameEnd;
        SkipSpace();
        if (pos_ >= s_.size() || s_[pos_] != '>')
            return kXmlMalformedElement;
        ++pos_;
        Object* top = open_.back();
        if (open_.size() < 2 || top->elements[kName].s != s_.substr(nameStart, nameEnd - nameStart))
            return kXmlUnmatchedEnd;
        open_.pop_back();
        return kXmlOk;
    }

    int StartTag() {
        const size_t nameStart = pos_ + 1;
        const size_t nameEnd = NameEnd(nameStart);
        if (nameEnd == nameStart)
            return kXmlMalformedElement;
        Object* element =
            NewNode(vm_, kElementNode, Value::Str(s_.substr(nameStart, nameEnd - nameStart)),
                    Value::Null());
        if (!element || !Add(element))
            return kXmlOutOfMemory;
        pos_ = nameEnd;
        for (;;) {
            SkipSpace();
            if (pos_ >= s_.size())
                return kXmlMalformedElement;
            if (s_[pos_] == '>') {
                ++pos_;
                open_.push_back(element);
                return kXmlOk;
            }
            if (s_[pos_] == '/') {
                if (pos_ + 1 >= s_.size() || s_[pos_ + 1] != '>')
                    return kXmlMalformedElement;
                pos_ += 2;
                return kXmlOk;
            }
            const int status = Attribute(element);
            if (status != kXmlOk)
                return status;
        }
    }

    int Attribute(Object* element) {
        const size_t nameStart = pos_;
        const size_t nameEnd = NameEnd(nameStart);
        if (nameEnd == nameStart)
            return kXmlMalformedElement;
        pos_ = nameEnd;
        SkipSpace();
        if (pos_ >= s_.size() || s_[pos_] != '=')
            return kXmlMalformedElement;
        ++pos_;
        SkipSpace();
        if (pos_ >= s_.size() || (s_[pos_] != '"' && s_[pos_] != '\''))
            return kXmlMalformedElement;
        const char quote = s_[pos_];
        const size_t valueEnd = s_.find(quote, pos_ + 1);
        if (valueEnd == std::string::npos)
            return kXmlAttributeOpen;
        std::string value = Unescape(s_.data() + pos_ + 1, valueEnd - pos_ - 1);
        pos_ = valueEnd + 1;
        const std::string name = s_.substr(nameStart, nameEnd - nameStart);
        // Elements with an id are listed in the document's idMap.
        if (name == "id") {
            Value map = vm_.GetOf(doc_, "idMap");
            if (map.type == Type::Object)
                vm_.Define(map.o, value, Value::Obj(element));
        }
        vm_.Define(element->elements[kAttributes].o, name, Value::Str(std::move(value)));
        return vm_.aborted() ? kXmlOutOfMemory : kXmlOk;
    }

    Vm& vm_;
    Object* doc_;
    const std::string& s_;
    bool ignoreWhite_;
    size_t pos_ = 0;
    std::vector<Object*> open_;
    std::vector<Object*> touched_;
};

// Printing -----------------------------------------------------------------

void Escape(const std::string& s, std::string* out) {
    AppendEscaped(s, true, out);
}

bool HasName(Object* n) {
    return n->elements[kName].type == Type::String;
}

void OpenTag(Vm& vm, Object* n, std::string* out) {
    *out += '<';
    *out += n->elements[kName].s;
    const Value& attributes = n->elements[kAttributes];
    if (attributes.type == Type::Object) {
        for (const Property& p : attributes.o->props) {
            if ((p.flags & kDontEnum) || p.getter || p.setter)
                continue;
            *out += ' ';
            *out += p.name;
            *out += "=\"";
            Escape(vm.ToString(p.value), out);
            *out += '"';
        }
    }
    *out += ChildCount(n) ? ">" : " />";
}

// One node opened: its text or its tag; elements come back to close.
void PrintNode(Vm& vm, Object* n, std::string* out) {
    if (n->elements[kType].n == kTextNode) {
        if (n->elements[kValue].type != Type::Null && !n->elements[kValue].IsUndefined())
            Escape(vm.ToString(n->elements[kValue]), out);
    } else if (HasName(n)) {
        OpenTag(vm, n, out);
    }
}

struct Walk {
    Object* node;
    size_t next;
};

// A document prints its declarations first.
void PrintDeclarations(Vm& vm, Object* n, std::string* out) {
    for (const char* name : {"xmlDecl", "docTypeDecl"}) {
        Value v = vm.GetOf(n, name);
        if (!v.IsNullish())
            *out += vm.ToString(v);
    }
}

} // namespace

std::string XmlText(Vm& vm, Object* root) {
    std::string out;
    if (!AsNode(Value::Obj(root)))
        return out;
    if (!ParentOf(root) && !HasName(root) && root->elements[kType].n == kElementNode)
        PrintDeclarations(vm, root, &out);
    std::vector<Walk> stack;
    PrintNode(vm, root, &out);
    stack.push_back({root, 0});
    while (!stack.empty() && out.size() < kMaxStringLength) {
        Walk& w = stack.back();
        Object* n = w.node;
        if (n->elements[kType].n != kTextNode && w.next < ChildCount(n)) {
            Object* child = ChildAt(n, w.next++);
            PrintNode(vm, child, &out);
            stack.push_back({child, 0});
            continue;
        }
        if (n->elements[kType].n != kTextNode && HasName(n) && ChildCount(n)) {
            out += "</";
            out += n->elements[kName].s;
            out += '>';
        }
        stack.pop_back();
    }
    if (out.size() > kMaxStringLength)
        out.resize(kMaxStringLength);
    return out;
}

int ParseXmlInto(Vm& vm, Object* doc, const std::string& text, bool ignoreWhite) {
    if (!AsNode(Value::Obj(doc)))
        return kXmlOk;
    for (size_t i = 0; i < ChildCount(doc); ++i)
        ChildAt(doc, i)->elements[kParent] = Value::Null();
    doc->elements.resize(kFirstChild);
    SyncChildNodes(doc);
    return XmlParser(vm, doc, text, ignoreWhite).Run();
}

namespace {

// XMLNode ------------------------------------------------------------------

Value NodeInit(Vm& vm, Value self, const Args& args) {
    Object* n = SelfObject(self);
    if (!n || n->kind != ObjectKind::Plain)
        return Value::Undefined();
    const int type = ToInt32Held(vm.ToNumber(args[0]));
    const Value given = args.size() > 1 && !args[1].IsUndefined() ? Value::Str(vm.ToString(args[1]))
                                                                  : Value::Null();
    if (type == kTextNode)
        InitNode(vm, n, kTextNode, Value::Null(), given);
    else
        InitNode(vm, n, kElementNode, given, Value::Null());
    return Value::Undefined();
}

Object* SelfNode(const Value& self) {
    return AsNode(self);
}

Value NodeOrNull(Object* n) {
    return n ? Value::Obj(n) : Value::Null();
}

// A node's own slot, as its property reads it.
template <Slot slot> Value GetSlot(Vm&, Value self, const Args&) {
    Object* n = SelfNode(self);
    return n ? n->elements[slot] : Value::Undefined();
}

// nodeName and nodeValue: undefined leaves the node as it was; null clears.
template <Slot slot> Value SetTextSlot(Vm& vm, Value self, const Args& args) {
    Object* n = SelfNode(self);
    if (n && !args[0].IsUndefined())
        n->elements[slot] = args[0].IsNull() ? Value::Null() : Value::Str(vm.ToString(args[0]));
    return Value::Undefined();
}

Value SetAttributes(Vm&, Value self, const Args& args) {
    Object* n = SelfNode(self);
    if (n && args[0].type == Type::Object)
        n->elements[kAttributes] = args[0];
    return Value::Undefined();
}

Value GetChildNodes(Vm&, Value self, const Args&) {
    Object* n = SelfNode(self);
    return n ? n->elements[kChildNodes] : Value::Undefined();
}

Value GetParentNode(Vm&, Value self, const Args&) {
    Object* n = SelfNode(self);
    return n ? NodeOrNull(ParentOf(n)) : Value::Undefined();
}

Value GetFirstChild(Vm&, Value self, const Args&) {
    Object* n = SelfNode(self);
    if (!n)
        return Value::Undefined();
    return NodeOrNull(ChildCount(n) ? ChildAt(n, 0) : nullptr);
}

Value GetLastChild(Vm&, Value self, const Args&) {
    Object* n = SelfNode(self);
    if (!n)
        return Value::Undefined();
    return NodeOrNull(ChildCount(n) ? ChildAt(n, ChildCount(n) - 1) : nullptr);
}

// The sibling step places from n; null at either end.
Object* Sibling(Object* n, int step) {
    Object* parent = ParentOf(n);
    if (!parent)
        return nullptr;
    const size_t count = ChildCount(parent);
    for (size_t i = 0; i < count; ++i) {
        if (ChildAt(parent, i) != n)
            continue;
        if (step < 0)
            return i > 0 ? ChildAt(parent, i - 1) : nullptr;
        return i + 1 < count ? ChildAt(parent, i + 1) : nullptr;
    }
    return nullptr;
}

Value GetNextSibling(Vm&, Value self, const Args&) {
    Object* n = SelfNode(self);
    return n ? NodeOrNull(Sibling(n, 1)) : Value::Undefined();
}

Value GetPreviousSibling(Vm&, Value self, const Args&) {
    Object* n = SelfNode(self);
    return n ? NodeOrNull(Sibling(n, -1)) : Value::Undefined();
}

// An element's name split at its first colon; null for other nodes.
bool SplitName(Object* n, std::string* prefix, std::string* local) {
    if (n->elements[kType].n != kElementNode || !HasName(n))
        return false;
    const std::string& name = n->elements[kName].s;
    const size_t colon = name.find(':');
    *prefix = colon == std::string::npos ? std::string() : name.substr(0, colon);
    *local = colon == std::string::npos ? name : name.substr(colon + 1);
    return true;
}

Value GetPrefix(Vm&, Value self, const Args&) {
    Object* n = SelfNode(self);
    std::string prefix, local;
    if (!n)
        return Value::Undefined();
    return SplitName(n, &prefix, &local) ? Value::Str(prefix) : Value::Null();
}

Value GetLocalName(Vm&, Value self, const Args&) {
    Object* n = SelfNode(self);
    std::string prefix, local;
    if (!n)
        return Value::Undefined();
    return SplitName(n, &prefix, &local) ? Value::Str(local) : Value::Null();
}

// The prefix an attribute declares a namespace for: "xmlns" followed by
// nothing or by anything without a colon declares the default one, as
// Flash reads them; false for other attributes.
bool DeclaredPrefix(const std::string& attribute, std::string* prefix) {
    if (attribute.compare(0, 5, "xmlns") != 0)
        return false;
    *prefix = attribute.size() > 5 && attribute[5] == ':' ? attribute.substr(6) : std::string();
    return true;
}

// The namespace the first declaration on n or its nearest ancestor binds
// prefix to.
Value NamespaceOf(Vm& vm, Object* n, const std::string& prefix) {
    for (Object* p = n; p; p = ParentOf(p)) {
        const Value& attributes = p->elements[kAttributes];
        if (attributes.type != Type::Object)
            continue;
        for (const Property& prop : attributes.o->props) {
            std::string declared;
            if (DeclaredPrefix(prop.name, &declared) && declared == prefix)
                return Value::Str(vm.ToString(prop.value));
        }
    }
    return Value::Null();
}

Value GetNamespaceUri(Vm& vm, Value self, const Args&) {
    Object* n = SelfNode(self);
    std::string prefix, local;
    if (!n)
        return Value::Undefined();
    if (!SplitName(n, &prefix, &local))
        return Value::Null();
    Value uri = NamespaceOf(vm, n, prefix);
    return uri.IsNull() ? Value::Str("") : uri;
}

Value GetNamespaceForPrefix(Vm& vm, Value self, const Args& args) {
    Object* n = SelfNode(self);
    if (!n)
        return Value::Undefined();
    return NamespaceOf(vm, n, vm.ToString(args[0]));
}

Value GetPrefixForNamespace(Vm& vm, Value self, const Args& args) {
    Object* n = SelfNode(self);
    if (!n)
        return Value::Undefined();
    const std::string uri = vm.ToString(args[0]);
    for (Object* p = n; p; p = ParentOf(p)) {
        const Value& attributes = p->elements[kAttributes];
        if (attributes.type != Type::Object)
            continue;
        for (const Property& prop : attributes.o->props) {
            std::string declared;
            if (DeclaredPrefix(prop.name, &declared) && vm.ToString(prop.value) == uri)
                return Value::Str(declared);
        }
    }
    return Value::Null();
}

Value AppendChild(Vm&, Value self, const Args& args) {
    Object* n = SelfNode(self);
    Object* child = AsNode(args[0]);
    if (n && child)
        Adopt(n, child, ChildCount(n));
    return Value::Undefined();
}

Value InsertBefore(Vm&, Value self, const Args& args) {
    Object* n = SelfNode(self);
    Object* child = AsNode(args[0]);
    Object* before = AsNode(args[1]);
    if (!n || !child || !before || ParentOf(before) != n || child == before)
        return Value::Undefined();
    if (ParentOf(child) == n)
        Detach(child);
    for (size_t i = 0; i < ChildCount(n); ++i) {
        if (ChildAt(n, i) == before) {
            Adopt(n, child, i);
            break;
        }
    }
    return Value::Undefined();
}

Value RemoveNode(Vm&, Value self, const Args&) {
    if (Object* n = SelfNode(self))
        Detach(n);
    return Value::Undefined();
}

Value HasChildNodes(Vm&, Value self, const Args&) {
    Object* n = SelfNode(self);
    return Value::Bool(n && ChildCount(n) > 0);
}

Object* CopyNode(Vm& vm, Object* from) {
    Object* copy = vm.MakeObject(vm.ProtoOf(from));
    if (!InitNode(vm, copy, static_cast<int>(from->elements[kType].n), from->elements[kName],
                  from->elements[kValue]))
        return nullptr;
    const Value& attributes = from->elements[kAttributes];
    if (attributes.type == Type::Object) {
        Object* to = copy->elements[kAttributes].o;
        for (const Property& p : attributes.o->props) {
            if (!(p.flags & kDontEnum))
                vm.Define(to, p.name, p.value);
        }
    }
    return copy;
}

Value CloneNode(Vm& vm, Value self, const Args& args) {
    Object* n = SelfNode(self);
    if (!n)
        return Value::Undefined();
    Object* root = CopyNode(vm, n);
    if (!root || !vm.ToBoolean(args[0]))
        return NodeOrNull(root);
    // Pairs of (original, copy) whose children are still to copy.
    std::vector<std::pair<Object*, Object*>> work{{n, root}};
    while (!work.empty() && !vm.aborted()) {
        auto [from, to] = work.back();
        work.pop_back();
        for (size_t i = 0; i < ChildCount(from); ++i) {
            Object* copy = CopyNode(vm, ChildAt(from, i));
            if (!copy)
                break;
            to->elements.push_back(Value::Obj(copy));
            copy->elements[kParent] = Value::Obj(to);
            work.push_back({ChildAt(from, i), copy});
        }
        SyncChildNodes(to);
    }
    return Value::Obj(root);
}

Value NodeToString(Vm& vm, Value self, const Args&) {
    Object* n = SelfNode(self);
    return n ? Value::Str(XmlText(vm, n)) : Value::Str("[object Object]");
}

// XML ----------------------------------------------------------------------

Value ParseXmlMethod(Vm& vm, Value self, const Args& args) {
    Object* doc = SelfNode(self);
    if (!doc)
        return Value::Undefined();
    const std::string text = vm.ToString(args[0]);
    const bool ignoreWhite = vm.ToBoolean(vm.GetOf(doc, "ignoreWhite"));
    const int status = ParseXmlInto(vm, doc, text, ignoreWhite);
    vm.Set(doc, "status", Value::Num(status));
    return Value::Undefined();
}

Value XmlInit(Vm& vm, Value self, const Args& args) {
    Object* doc = SelfObject(self);
    if (!doc || doc->kind != ObjectKind::Plain)
        return Value::Undefined();
    if (!InitNode(vm, doc, kElementNode, Value::Null(), Value::Null()))
        return Value::Undefined();
    vm.Define(doc, "idMap", Value::Obj(vm.MakeObject(vm.objectProto)), kDontEnum);
    if (!args[0].IsUndefined())
        ParseXmlMethod(vm, self, args);
    return Value::Undefined();
}

Value CreateElement(Vm& vm, Value, const Args& args) {
    return NodeOrNull(NewNode(vm, kElementNode, Value::Str(vm.ToString(args[0])), Value::Null()));
}

Value CreateTextNode(Vm& vm, Value, const Args& args) {
    return NodeOrNull(NewNode(vm, kTextNode, Value::Null(), Value::Str(vm.ToString(args[0]))));
}

void Accessor(Vm& vm, Object* on, const char* name, NativeFn get, NativeFn set) {
    vm.Define(on, name, Value::Undefined(), kDontEnum);
    if (Property* p = on->FindOwn(vm.Key(name))) {
        p->getter = vm.MakeFunction(get);
        p->setter = set ? vm.MakeFunction(set) : nullptr;
    }
}

} // namespace

void InstallXmlBuiltins(Vm& vm) {
    Object* nodeProto = vm.MakeObject(vm.objectProto);
    MakeClass(vm, "XMLNode", NodeInit, NodeInit, nodeProto);
    const struct {
        const char* name;
        NativeFn get, set;
    } kAccessors[] = {{"nodeType", GetSlot<kType>, nullptr},
                      {"nodeName", GetSlot<kName>, SetTextSlot<kName>},
                      {"nodeValue", GetSlot<kValue>, SetTextSlot<kValue>},
                      {"attributes", GetSlot<kAttributes>, SetAttributes},
                      {"childNodes", GetChildNodes, nullptr},
                      {"parentNode", GetParentNode, nullptr},
                      {"firstChild", GetFirstChild, nullptr},
                      {"lastChild", GetLastChild, nullptr},
                      {"nextSibling", GetNextSibling, nullptr},
                      {"previousSibling", GetPreviousSibling, nullptr},
                      {"prefix", GetPrefix, nullptr},
                      {"localName", GetLocalName, nullptr},
                      {"namespaceURI", GetNamespaceUri, nullptr}};
    for (const auto& a : kAccessors)
        Accessor(vm, nodeProto, a.name, a.get, a.set);
    const struct {
        const char* name;
        NativeFn fn;
    } kMethods[] = {{"appendChild", AppendChild},
                    {"insertBefore", InsertBefore},
                    {"removeNode", RemoveNode},
                    {"cloneNode", CloneNode},
                    {"hasChildNodes", HasChildNodes},
                    {"toString", NodeToString},
                    {"getNamespaceForPrefix", GetNamespaceForPrefix},
                    {"getPrefixForNamespace", GetPrefixForNamespace}};
    for (const auto& m : kMethods)
        Method(vm, nodeProto, m.name, m.fn);

    Object* xmlProto = vm.MakeObject(nodeProto);
    MakeClass(vm, "XML", XmlInit, XmlInit, xmlProto);
    Method(vm, xmlProto, "createElement", CreateElement);
    Method(vm, xmlProto, "createTextNode", CreateTextNode);
    Method(vm, xmlProto, "parseXML", ParseXmlMethod);
    vm.Define(xmlProto, "ignoreWhite", Value::Bool(false), kDontEnum);
    vm.Define(xmlProto, "contentType", Value::Str("application/x-www-form-urlencoded"), kDontEnum);
}

} // namespace ww::movie::avm1
