// The XML parser and printer on any text: a movie whose frame script parses
// the input (the first byte chooses ignoreWhite) and traces it printed back.
// Neither may fault, whatever the nesting, entities or attributes.
#include "movie/movie.h"
#include "movie/player.h"

#include <cstdlib>
#include <string>
#include <vector>

using namespace ww::movie;

namespace {

void PutU16(std::vector<uint8_t>& out, uint32_t v) {
    out.push_back(static_cast<uint8_t>(v));
    out.push_back(static_cast<uint8_t>(v >> 8));
}

void PushString(std::vector<uint8_t>& records, const std::string& s) {
    records.push_back(0x96);
    PutU16(records, static_cast<uint32_t>(s.size() + 2));
    records.push_back(0);
    records.insert(records.end(), s.begin(), s.end());
    records.push_back(0);
}

void PushBool(std::vector<uint8_t>& records, bool b) {
    records.insert(records.end(), {0x96, 2, 0, 5, static_cast<uint8_t>(b)});
}

// XML.prototype.ignoreWhite = on; trace(new XML(text))
std::vector<uint8_t> Script(bool ignoreWhite, const std::string& text) {
    std::vector<uint8_t> r;
    PushString(r, "XML");
    r.push_back(0x1C);
    PushString(r, "prototype");
    r.push_back(0x4E);
    PushString(r, "ignoreWhite");
    PushBool(r, ignoreWhite);
    r.push_back(0x4F);
    PushString(r, text);
    r.insert(r.end(), {0x96, 5, 0, 7, 1, 0, 0, 0}); // push 1
    PushString(r, "XML");
    r.push_back(0x40);
    r.push_back(0x26);
    r.push_back(0);
    return r;
}

std::vector<uint8_t> Wrap(const std::vector<uint8_t>& records) {
    std::vector<uint8_t> swf = {'F', 'W', 'S', 8, 0, 0, 0, 0};
    const uint8_t rect[] = {0x40, 0x03, 0x20, 0x03, 0x20};
    swf.insert(swf.end(), rect, rect + sizeof rect);
    PutU16(swf, 12 << 8);
    PutU16(swf, 1);
    PutU16(swf, (12 << 6) | 0x3F);
    const uint32_t length = static_cast<uint32_t>(records.size());
    PutU16(swf, length & 0xFFFF);
    PutU16(swf, length >> 16);
    swf.insert(swf.end(), records.begin(), records.end());
    PutU16(swf, 1 << 6);
    PutU16(swf, 0);
    const uint32_t total = static_cast<uint32_t>(swf.size());
    for (int i = 0; i < 4; ++i)
        swf[4 + i] = static_cast<uint8_t>(total >> (8 * i));
    return swf;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // A push record holds the text, its terminator and the type byte.
    if (size < 1 || size > 60000)
        return 0;
    std::string text(reinterpret_cast<const char*>(data + 1), size - 1);
    for (char& c : text) {
        if (c == 0)
            c = ' '; // a string pushed ends at its first zero byte
    }
    const std::vector<uint8_t> swf = Wrap(Script(data[0] & 1, text));
    Movie movie;
    std::string error;
    if (!ParseMovie(swf.data(), swf.size(), &movie, &error))
        std::abort(); // the wrapper is always a good movie
    ScriptOptions options;
    options.clockMs = 0;
    options.seeded = true;
    options.trace = [](const std::string&) {};
    Player player(movie, options);
    return 0;
}
