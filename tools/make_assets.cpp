// make_assets: draws every picture, synthesises the sounds, writes the tunes and the help page.
//
//   make_assets <asset folder> [--contact-sheet <file.png>] [--preview <file.png>]
//
// The output depends only on this source and the installed IPA fonts, so running it again
// writes the same bytes.

#include <QGuiApplication>
#include <QPainter>

#include <cstdio>
#include <cstring>
#include <string>

#include "platform/bmp.hpp"
#include "tools/asset_kit.hpp"

using namespace kelvora;
using namespace kelvora::tools;

namespace {

// All pictures on one sheet with their names, for looking them over at a glance.
QImage contact_sheet(const std::vector<Picture>& pictures) {
    const int columns = 4, cell_w = 520, cell_h = 540;
    const int rows = (int(pictures.size()) + columns - 1) / columns;
    QImage sheet(columns * cell_w, rows * cell_h, QImage::Format_RGB32);
    sheet.fill(QColor(60, 60, 66));
    QPainter p(&sheet);
    p.setFont(ui_font(14));
    for (std::size_t i = 0; i < pictures.size(); ++i) {
        const int x = int(i % columns) * cell_w + 10, y = int(i / columns) * cell_h + 10;
        const Bitmap& b = pictures[i].bitmap;
        QImage image = to_qimage(b);
        const int scale = b.width() <= 40 ? 4 : b.width() <= 150 ? 2 : 1;
        image = image.scaled(b.width() * scale, b.height() * scale);
        p.drawImage(x, y + 22, image);
        p.setPen(Qt::white);
        p.drawText(x, y + 16,
                   QString("%1  %2x%3  %4 bit")
                       .arg(QString::fromStdString(pictures[i].file_name))
                       .arg(b.width())
                       .arg(b.height())
                       .arg(b.depth()));
    }
    return sheet;
}

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);

    std::string folder, sheet_path, preview_path;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--contact-sheet") == 0 && i + 1 < argc)
            sheet_path = argv[++i];
        else if (std::strcmp(argv[i], "--preview") == 0 && i + 1 < argc)
            preview_path = argv[++i];
        else if (folder.empty())
            folder = argv[i];
    }
    if (folder.empty()) {
        std::fprintf(stderr, "usage: make_assets <asset folder> [--contact-sheet <file.png>] [--preview <file.png>]\n");
        return 2;
    }
    if (folder.back() != '/') folder += '/';

    std::vector<Picture> pictures;
    for (auto* make : {make_title_pictures, make_screen_pictures, make_play_pictures, make_moji_pictures,
                       make_story_pictures}) {
        auto made = make();
        for (auto& picture : made) pictures.push_back(std::move(picture));
    }
    bool ok = true;
    for (const Picture& picture : pictures) {
        if (!save_bmp(folder + picture.file_name, picture.bitmap)) {
            std::fprintf(stderr, "make_assets: cannot write %s\n", picture.file_name.c_str());
            ok = false;
        }
    }
    if (!write_sounds(folder)) ok = false, std::fprintf(stderr, "make_assets: cannot write the sounds\n");
    if (!write_tunes(folder)) ok = false, std::fprintf(stderr, "make_assets: cannot write the tunes\n");
    if (!write_help_page(folder)) ok = false, std::fprintf(stderr, "make_assets: cannot write help.html\n");
    if (!sheet_path.empty() && !contact_sheet(pictures).save(QString::fromStdString(sheet_path), "PNG")) {
        std::fprintf(stderr, "make_assets: cannot write %s\n", sheet_path.c_str());
        ok = false;
    }
    if (!preview_path.empty() && !make_screen_previews(folder).save(QString::fromStdString(preview_path), "PNG")) {
        std::fprintf(stderr, "make_assets: cannot write %s\n", preview_path.c_str());
        ok = false;
    }
    return ok ? 0 : 1;
}
