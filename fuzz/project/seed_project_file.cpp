// Seeds for the project file fuzz target: a full project as saving writes it,
// and values with blanks and quotes at their ends.
#include "builder/project/project_file.h"

#include <fstream>
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
    if (!ww::WriteProjectFile(std::string(argv[1]) + "/seed-project.sdf", p))
        return 1;
    std::ofstream quoted(std::string(argv[1]) + "/seed-blanks.sdf", std::ios::binary);
    quoted << "[General]\r\nPublisherName=\"  Tide Works\"\r\nCopyright=" << std::string(258, 'c')
           << "  (c)\r\nWallpaperName=''Ocean''\r\n";
    return quoted.good() ? 0 : 1;
}
