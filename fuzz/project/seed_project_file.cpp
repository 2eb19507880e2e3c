// Seeds for the project file fuzz target: a full project as saving writes it.
#include "builder/project/project_file.h"

#include <string>

int main(int argc, char** argv) {
    if (argc < 2)
        return 2;
    ww::WallpaperProject p;
    p.SwfFilename = "C:\\Work\\wave.swf";
    p.WallpaperName = "Ocean";
    p.PublisherURL = "\"http://example.invalid/\"";
    p.ExtFileItems = {"a.txt", "b.txt"};
    p.Width = "550";
    p.Height = "400";
    return ww::WriteProjectFile(std::string(argv[1]) + "/seed-project.sdf", p) ? 0 : 1;
}
