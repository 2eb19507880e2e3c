// XML and XMLNode: documents parsed from text, printed back and edited by
// scripts, including hostile ones, checked through the trace log.
#include "tests/movie/movie_test_util.h"

#include <string>
#include <vector>

namespace ww::test {
namespace {

constexpr uint8_t kNew = 0x40, kSetVariable = 0x1D, kGetMember = 0x4E, kCallMethod = 0x52,
                  kPop = 0x17, kSetMember = 0x4F;

std::vector<std::string> RunScript(const ActionWriter& script) {
    SwfRecipe layout = StageRecipe(false);
    layout.version = 8;
    layout.frameCount = 1;
    layout.tags = DoActionTag(script.Records()) + ShowFrameTag();
    const movie::Movie m = ParseOrFail(MakeSwf(layout));
    std::vector<std::string> lines;
    movie::ScriptOptions options;
    options.trace = [&lines](const std::string& line) { lines.push_back(line); };
    options.seeded = true;
    movie::Player player(m, options);
    return lines;
}

// A push record holds at most 64 KiB: longer text is pushed in parts and
// joined.
void PushText(ActionWriter& w, const std::string& text) {
    constexpr size_t kPart = 30000;
    w.Push({PushString(text.substr(0, kPart))});
    for (size_t at = kPart; at < text.size(); at += kPart)
        w.Push({PushString(text.substr(at, kPart))}).Op(0x47);
}

// x = new XML(text), with ignoreWhite set first when asked.
ActionWriter NewXml(const std::string& text, bool ignoreWhite = false) {
    ActionWriter w;
    if (ignoreWhite) {
        w.Push({PushString("XML")}).Op(0x1C).Push({PushString("prototype")}).Op(kGetMember);
        w.Push({PushString("ignoreWhite"), PushBool(true)}).Op(kSetMember);
    }
    w.Push({PushString("x")});
    PushText(w, text);
    w.Push({PushInt(1), PushString("XML")}).Op(kNew).Op(kSetVariable);
    if (ignoreWhite) {
        w.Push({PushString("XML")}).Op(0x1C).Push({PushString("prototype")}).Op(kGetMember);
        w.Push({PushString("ignoreWhite"), PushBool(false)}).Op(kSetMember);
    }
    return w;
}

// trace(path), path a dotted chain of members from variable x.
ActionWriter& TraceMember(ActionWriter& w, const std::vector<std::string>& path) {
    w.Get("x");
    for (const std::string& name : path)
        w.Push({PushString(name)}).Op(kGetMember);
    return w.Trace();
}

// x.method(args...) with string arguments, its result traced.
ActionWriter& TraceCall(ActionWriter& w, const std::string& method,
                        const std::vector<PushValue>& args) {
    for (size_t i = args.size(); i-- > 0;)
        w.Push({args[i]});
    w.Push({PushInt(static_cast<int32_t>(args.size()))});
    w.Get("x").Push({PushString(method)}).Op(kCallMethod);
    return w.Trace();
}

TEST(Avm1Xml, ParsesAndPrintsWithFlashsStatusAndEscaping) {
    const struct {
        const char* text;
        bool ignoreWhite;
        const char* status;
        const char* printed;
    } cases[] = {
        {"<a><b>text</b><c/></a>", false, "0", "<a><b>text</b><c /></a>"},
        {"<a x=\"1\" y='two'/>", false, "0", "<a x=\"1\" y=\"two\" />"},
        {"<a>x &amp; y &lt; &#39;z&#x27; &unknown; & w</a>", false, "0",
         "<a>x &amp; y &lt; &apos;z&apos; &amp;unknown; &amp; w</a>"},
        {"<a t=\"&quot;q&quot; &gt;\" />", false, "0", "<a t=\"&quot;q&quot; &gt;\" />"},
        {"<a><!-- gone -->kept</a>", false, "0", "<a>kept</a>"},
        {"<a><![CDATA[<raw> & ]]>more</a>", false, "0", "<a>&lt;raw&gt; &amp; more</a>"},
        {"<?xml version=\"1.0\"?><!DOCTYPE d [<!ENTITY e \">\">]><d/>", false, "0",
         "<?xml version=\"1.0\"?><!DOCTYPE d [<!ENTITY e \">\">]><d />"},
        {"<a>\n  <b> </b>\n</a>", true, "0", "<a><b /></a>"},
        {"<a>\n  <b> </b>\n</a>", false, "0", "<a>\n  <b> </b>\n</a>"},
        {"plain text", false, "0", "plain text"},
        {"", false, "0", ""},
        // Each way to break a document, with the part read before the break.
        {"<a><![CDATA[open", false, "-2", "<a />"},
        {"<?xml open", false, "-3", ""},
        {"<!DOCTYPE open", false, "-4", ""},
        {"<a><!-- open", false, "-5", "<a />"},
        {"<a b>", false, "-6", "<a />"},
        {"<a b=\"1", false, "-8", "<a />"},
        {"<a><b>", false, "-9", "<a><b /></a>"},
        {"<a></b>", false, "-10", "<a />"},
        {"</a>", false, "-10", ""},
        {"<>", false, "-6", ""},
        {"<a/ >", false, "-6", "<a />"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        ActionWriter w = NewXml(c.text, c.ignoreWhite);
        TraceMember(w, {"status"});
        w.Get("x").Trace();
        EXPECT_EQ(RunScript(w), (std::vector<std::string>{c.status, c.printed}));
    }
}

TEST(Avm1Xml, NodesAnswerTheirPlaceInTheTree) {
    const struct {
        std::vector<std::string> path;
        const char* want;
    } cases[] = {
        {{"nodeType"}, "1"},
        {{"nodeName"}, "null"},
        {{"firstChild", "nodeName"}, "p:a"},
        {{"firstChild", "localName"}, "a"},
        {{"firstChild", "prefix"}, "p"},
        {{"firstChild", "namespaceURI"}, "urn:x"},
        {{"firstChild", "attributes", "k"}, "v"},
        {{"firstChild", "childNodes", "length"}, "2"},
        {{"firstChild", "firstChild", "nodeType"}, "3"},
        {{"firstChild", "firstChild", "nodeValue"}, "t"},
        {{"firstChild", "firstChild", "nextSibling", "nodeName"}, "b"},
        {{"firstChild", "lastChild", "previousSibling", "nodeValue"}, "t"},
        {{"firstChild", "lastChild", "nextSibling"}, "null"},
        {{"firstChild", "parentNode", "nodeType"}, "1"},
        {{"parentNode"}, "null"},
        {{"firstChild", "firstChild", "prefix"}, "null"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.path.back());
        ActionWriter w = NewXml("<p:a xmlns:p=\"urn:x\" k=\"v\">t<b/></p:a>");
        TraceMember(w, c.path);
        EXPECT_EQ(RunScript(w), std::vector<std::string>{c.want});
    }
}

// Scripts edit a document; the tree stays a tree whatever they ask.
TEST(Avm1Xml, EditsKeepOneParentAndNoCycles) {
    const struct {
        const char* name;
        ActionWriter edit;
        const char* want;
    } cases[] = {
        {"move b to the end",
         [] {
             ActionWriter w;
             w.Get("x")
                 .Push({PushString("firstChild")})
                 .Op(kGetMember)
                 .Push({PushString("firstChild")})
                 .Op(kGetMember);
             w.Push({PushInt(1)});
             w.Get("x").Push({PushString("firstChild")}).Op(kGetMember);
             w.Push({PushString("appendChild")}).Op(kCallMethod).Op(kPop);
             return w;
         }(),
         "<a><c /><b /></a>"},
        {"remove b",
         [] {
             ActionWriter w;
             w.Push({PushInt(0)});
             w.Get("x")
                 .Push({PushString("firstChild")})
                 .Op(kGetMember)
                 .Push({PushString("firstChild")})
                 .Op(kGetMember);
             w.Push({PushString("removeNode")}).Op(kCallMethod).Op(kPop);
             return w;
         }(),
         "<a><c /></a>"},
        {"clone deep appended",
         [] {
             ActionWriter w;
             w.Push({PushBool(true), PushInt(1)});
             w.Get("x").Push({PushString("firstChild")}).Op(kGetMember);
             w.Push({PushString("cloneNode")}).Op(kCallMethod);
             w.Push({PushInt(1)});
             w.Get("x");
             w.Push({PushString("appendChild")}).Op(kCallMethod).Op(kPop);
             return w;
         }(),
         "<a><b /><c /></a><a><b /><c /></a>"},
        // The root's element under its own child would make a cycle: refused.
        {"a appended under b",
         [] {
             ActionWriter w;
             w.Get("x").Push({PushString("firstChild")}).Op(kGetMember);
             w.Push({PushInt(1)});
             w.Get("x")
                 .Push({PushString("firstChild")})
                 .Op(kGetMember)
                 .Push({PushString("firstChild")})
                 .Op(kGetMember);
             w.Push({PushString("appendChild")}).Op(kCallMethod).Op(kPop);
             return w;
         }(),
         "<a><b /><c /></a>"},
        {"new element before c",
         [] {
             ActionWriter w;
             w.Get("x")
                 .Push({PushString("firstChild")})
                 .Op(kGetMember)
                 .Push({PushString("lastChild")})
                 .Op(kGetMember);
             w.Push({PushString("n"), PushInt(1)});
             w.Get("x").Push({PushString("createElement")}).Op(kCallMethod);
             w.Push({PushInt(2)});
             w.Get("x").Push({PushString("firstChild")}).Op(kGetMember);
             w.Push({PushString("insertBefore")}).Op(kCallMethod).Op(kPop);
             return w;
         }(),
         "<a><b /><n /><c /></a>"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ActionWriter w = NewXml("<a><b/><c/></a>");
        w.Raw(c.edit.Records());
        w.Get("x").Trace();
        EXPECT_EQ(RunScript(w), std::vector<std::string>{c.want});
    }
}

// Documents built to hurt: deep, wide, long. Each ends with its status.
TEST(Avm1Xml, HostileDocumentsEndCleanly) {
    std::string deepOpen, deepClosed, attributes = "<a";
    for (int i = 0; i < 10000; ++i)
        deepOpen += "<d>";
    deepClosed = deepOpen;
    for (int i = 0; i < 10000; ++i)
        deepClosed += "</d>";
    for (int i = 0; attributes.size() < (1u << 20); ++i)
        attributes += " k" + std::to_string(i) + "=\"" + std::string(20, 'v') + "\"";
    // The innermost element prints empty: "<d />" inside 9,999 pairs.
    const size_t kDeepPrinted = 9999 * 3 + 5 + 9999 * 4;
    const std::string entities = "<a>" + std::string(100000, '&') + "&amp;</a>";
    const struct {
        const char* name;
        std::string text;
        const char* status;
        size_t printedLength;
    } cases[] = {
        {"10,000 levels never closed", deepOpen, "-9", kDeepPrinted},
        {"10,000 levels closed", deepClosed, "0", kDeepPrinted},
        {"a megabyte of attributes, unclosed tag", attributes, "-6", 0},
        {"a megabyte of attributes", attributes + "/>", "0", attributes.size() + 3},
        {"ampersands", entities, "0", 3 + 100000 * 5 + 5 + 4},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ActionWriter w = NewXml(c.text);
        TraceMember(w, {"status"});
        TraceCall(w, "toString", {});
        const std::vector<std::string> lines = RunScript(w);
        ASSERT_EQ(lines.size(), 2u);
        EXPECT_EQ(lines[0], c.status);
        if (c.printedLength) {
            EXPECT_EQ(lines[1].size(), c.printedLength);
        }
    }
}

} // namespace
} // namespace ww::test
