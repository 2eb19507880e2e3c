#include "tests/conformance/suite_case.h"

#include "tests/conformance/toml_reader.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <system_error>

namespace ww::conformance {

namespace {

namespace fs = std::filesystem;

// Movies are not played further than this; a test asking for more is refused
// rather than left running.
constexpr int64_t kMaxFrames = 100000;

bool ReadCount(const TomlValue* v, const char* key, int64_t low, int64_t high, int64_t* out,
               std::string* error) {
    if (!v)
        return true;
    if (v->kind != TomlValue::Kind::Integer || v->integer < low || v->integer > high) {
        *error = std::string(key) + " must be a whole number from " + std::to_string(low) + " to " +
                 std::to_string(high);
        return false;
    }
    *out = v->integer;
    return true;
}

bool ReadCheck(const TomlValue& table, SuiteCheck* check, std::string* error) {
    int64_t tolerance = check->tolerance;
    if (!ReadCount(table.Find("tolerance"), "tolerance", 0, 255, &tolerance, error) ||
        !ReadCount(table.Find("max_outliers"), "max_outliers", 0, INT64_MAX, &check->maxOutliers,
                   error))
        return false;
    check->tolerance = int(tolerance);
    return true;
}

bool ReadTrigger(const TomlValue* v, uint32_t frames, ImageComparison* image, std::string* error) {
    image->frame = frames;
    if (!v)
        return true;
    if (v->kind == TomlValue::Kind::String) {
        image->trigger = v->text;
        image->frame = 0;
        return true;
    }
    int64_t frame = 0;
    if (!ReadCount(v, "trigger", 1, kMaxFrames, &frame, error))
        return false;
    image->frame = uint32_t(frame);
    image->trigger = std::to_string(frame);
    return true;
}

bool ReadImage(const std::string& name, const TomlValue& table, uint32_t frames,
               ImageComparison* image, std::string* error) {
    image->name = name;
    if (name.empty() || name.find('/') != std::string::npos ||
        name.find('\\') != std::string::npos || name == "." || name == "..") {
        *error = "bad picture name '" + name + "'";
        return false;
    }
    if (table.kind != TomlValue::Kind::Table) {
        *error = "image_comparisons." + name + " is not a table";
        return false;
    }
    if (!ReadTrigger(table.Find("trigger"), frames, image, error))
        return false;
    const TomlValue* checks = table.Find("checks");
    if (!checks) {
        SuiteCheck check;
        if (!ReadCheck(table, &check, error))
            return false;
        image->checks.push_back(check);
        return true;
    }
    if (checks->kind != TomlValue::Kind::Array || checks->items.empty()) {
        *error = "image_comparisons." + name + ".checks is not a list of tables";
        return false;
    }
    for (const TomlValue& item : checks->items) {
        SuiteCheck check;
        if (item.kind != TomlValue::Kind::Table || !ReadCheck(item, &check, error)) {
            if (error->empty())
                *error = "image_comparisons." + name + ".checks holds a non-table";
            return false;
        }
        image->checks.push_back(check);
    }
    return true;
}

bool ReadQuality(const TomlValue& root, movie::Quality* quality, std::string* error) {
    const TomlValue* options = root.Find("player_options");
    const TomlValue* renderer = options ? options->Find("with_renderer") : nullptr;
    const TomlValue* text = renderer ? renderer->Find("quality") : nullptr;
    if (!text)
        return true;
    if (text->kind != TomlValue::Kind::String || !movie::ParseQuality(text->text, quality)) {
        *error = "unknown quality '" + text->text + "'";
        return false;
    }
    return true;
}

// The window the movie was shown in, whose pixels input.json's positions
// count; none given, the stage's own size.
void ReadViewport(const TomlValue& root, double* width, double* height) {
    const TomlValue* options = root.Find("player_options");
    const TomlValue* viewport = options ? options->Find("viewport_dimensions") : nullptr;
    auto side = [viewport](const char* name) {
        const TomlValue* v = viewport ? viewport->Find(name) : nullptr;
        return v && v->IsNumber() && v->AsNumber() > 0 && v->AsNumber() < 1e6 ? v->AsNumber() : 0;
    };
    *width = side("width");
    *height = side("height");
}

// [approximations]: the margin logged numbers may stray by.
bool ReadMargin(const TomlValue& root, TraceMargin* margin, std::string* error) {
    *margin = TraceMargin();
    const TomlValue* table = root.Find("approximations");
    if (!table)
        return true;
    const TomlValue* epsilon = table->Find("epsilon");
    if (table->kind != TomlValue::Kind::Table || !epsilon || !epsilon->IsNumber() ||
        !(epsilon->AsNumber() >= 0)) {
        *error = "approximations needs an epsilon of 0 or more";
        return false;
    }
    margin->given = true;
    margin->epsilon = epsilon->AsNumber();
    const TomlValue* bare = table->Find("bare_numbers");
    margin->bareNumbers = bare && bare->kind == TomlValue::Kind::Boolean && bare->boolean;
    if (const TomlValue* patterns = table->Find("number_patterns")) {
        if (patterns->kind != TomlValue::Kind::Array) {
            *error = "approximations.number_patterns is not a list";
            return false;
        }
        for (const TomlValue& item : patterns->items) {
            if (item.kind != TomlValue::Kind::String) {
                *error = "approximations.number_patterns holds a non-string";
                return false;
            }
            margin->numberPatterns.push_back(item.text);
        }
    }
    return true;
}

} // namespace

bool ReadSuiteCase(const std::string& tomlText, SuiteCase* c, std::string* error) {
    TomlValue root;
    std::string why;
    if (!ParseToml(tomlText, &root, &why)) {
        *error = "test.toml: " + why;
        return false;
    }
    int64_t frames = 1;
    if (!ReadCount(root.Find("num_frames"), "num_frames", 1, kMaxFrames, &frames, &why) ||
        !ReadCount(root.Find("num_ticks"), "num_ticks", 1, kMaxFrames, &frames, &why) ||
        !ReadQuality(root, &c->quality, &why) || !ReadMargin(root, &c->margin, &why)) {
        *error = "test.toml: " + why;
        return false;
    }
    c->frames = uint32_t(frames);
    ReadViewport(root, &c->viewportWidth, &c->viewportHeight);
    const TomlValue* known = root.Find("known_failure");
    c->knownFailure = known && known->kind == TomlValue::Kind::Boolean && known->boolean;
    c->images.clear();
    const TomlValue* images = root.Find("image_comparisons");
    if (!images)
        return true;
    if (images->kind != TomlValue::Kind::Table) {
        *error = "test.toml: image_comparisons is not a table";
        return false;
    }
    for (const auto& [name, table] : images->fields) {
        ImageComparison image;
        if (!ReadImage(name, table, c->frames, &image, &why)) {
            *error = "test.toml: " + why;
            return false;
        }
        c->images.push_back(image);
    }
    return true;
}

std::vector<std::string> FindSuiteFolders(const std::string& root) {
    std::vector<std::string> names;
    std::error_code ec;
    fs::recursive_directory_iterator it(root, ec), end;
    for (; !ec && it != end; it.increment(ec)) {
        if (it->path().filename() != "test.toml")
            continue;
        std::string name = fs::relative(it->path().parent_path(), root, ec).generic_string();
        if (!ec)
            names.push_back(name);
    }
    std::sort(names.begin(), names.end());
    return names;
}

bool ReadTextFile(const std::string& path, std::string* text) {
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return false;
    std::ostringstream all;
    all << in.rdbuf();
    *text = all.str();
    return !in.bad();
}

bool LoadSuiteCase(const std::string& root, const std::string& name, SuiteCase* c,
                   std::string* error) {
    c->name = name;
    c->folder = (fs::path(root) / name).string();
    std::error_code ec;
    c->hasTrace = fs::is_regular_file(fs::path(c->folder) / "output.txt", ec);
    std::string text;
    if (!ReadTextFile((fs::path(c->folder) / "test.toml").string(), &text)) {
        *error = "test.toml cannot be read";
        return false;
    }
    return ReadSuiteCase(text, c, error);
}

} // namespace ww::conformance
