// Loading what sits beside the movie (XML, LoadVars, loadVariables, movies
// and pictures for clips) and the XML document model scripts build and parse.
//
// A wallpaper never reaches the network by itself: a request may name only a
// file in the movie's folder or below it. Anything else (a URL with a scheme,
// an absolute path, a path that climbs out with "..") is refused and answered
// as Flash answers a load that failed, with a warning naming it. Requests
// wait until the scripts of the frame that made them have run, then complete
// in the order they were made; what they bring is charged like any string.
#pragma once

#include "movie/avm1/vm.h"

#include <string>
#include <vector>

namespace ww::movie::avm1 {

// A file a movie may load is at most this long.
constexpr uint64_t kMaxLoadBytes = 32u << 20;
// Requests waiting at once; a script that asks for more is refused.
constexpr size_t kMaxPendingLoads = 256;
// Movies and pictures loaded into clips and shown at once; a movie that
// keeps loading itself into its own clips stops here, if its nesting has
// not stopped it before.
constexpr size_t kMaxLoadedMovies = 64;

// The folder requests are resolved in; empty, every request is refused.
void SetLoadFolder(Vm& vm, const std::string& folder);
// The objects waiting requests answer, kept from collection.
void LoadRoots(Vm& vm, std::vector<Object*>* roots);
// Completes the requests made so far; those their handlers make wait for the
// next call. Answers whether any completed.
bool RunLoads(Vm& vm);
// Tells MovieClipLoaders of the clips whose loaded first frame has run
// since (onLoadInit); answers whether any was told.
bool RunLoadInits(Vm& vm);

// The relative path inside the movie's folder that url names ('/' between
// parts, "." and ".." resolved, a query or fragment dropped, %XX decoded);
// false with the reason when it names anything else.
bool ResolveBesideMovie(const std::string& url, std::string* path, std::string* why);

// GetURL2's loads (flags as the action has them): true when it was one
// this file answers, false for a page or a movie to open.
bool LoadFromAction(Vm& vm, Object* from, const std::string& url, const Value& target,
                    uint8_t flags);

// XML and XMLNode; LoadVars, loadVariables and the load methods.
void InstallXmlBuiltins(Vm& vm);
void InstallLoadBuiltins(Vm& vm);

// The XML parser's status codes, as scripts read them.
enum XmlStatus : int {
    kXmlOk = 0,
    kXmlCdataOpen = -2,
    kXmlDeclarationOpen = -3,
    kXmlDoctypeOpen = -4,
    kXmlCommentOpen = -5,
    kXmlMalformedElement = -6,
    kXmlOutOfMemory = -7,
    kXmlAttributeOpen = -8,
    kXmlElementOpen = -9,
    kXmlUnmatchedEnd = -10,
};

// Replaces doc's children with the tree text describes; answers the status.
// Never recurses natively, whatever the nesting.
int ParseXmlInto(Vm& vm, Object* doc, const std::string& text, bool ignoreWhite);
// A node (and its subtree) as XML text, with Flash's escaping.
std::string XmlText(Vm& vm, Object* node);
// Name=value pairs of a form into o's variables (LoadVars.decode).
void DecodeVariables(Vm& vm, Object* o, const std::string& form);

} // namespace ww::movie::avm1
