// Writes the program's icon at one of its two sizes as a PNG file, for the desktop's
// menus: zandrel-icon-png 32|16 OUTFILE.

#include <QImage>
#include <cstdio>
#include <cstring>

#include "res/app_icon.h"

int main(int argc, char* argv[]) {
    if (argc != 3 || (std::strcmp(argv[1], "32") != 0 && std::strcmp(argv[1], "16") != 0)) {
        std::fputs("usage: zandrel-icon-png 32|16 OUTFILE\n", stderr);
        return 2;
    }
    const QImage icon(std::strcmp(argv[1], "32") == 0 ? zandrel::kAppIcon32 : zandrel::kAppIcon16);
    if (icon.isNull() || !icon.save(QString::fromLocal8Bit(argv[2]), "PNG")) {
        std::fprintf(stderr, "zandrel-icon-png: cannot write %s\n", argv[2]);
        return 1;
    }
    return 0;
}
