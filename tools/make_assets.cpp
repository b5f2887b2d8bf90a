// make_assets: draws every picture and the desktop icons, synthesises the sounds, writes the tunes
// and the help page.
//
//   make_assets <asset folder> [--contact-sheet <file.png>] [--preview <file.png>]
//
// The output depends only on this source and the installed IPA fonts, so running it again
// writes the same bytes.

#include <QDir>
#include <QFontDatabase>
#include <QGuiApplication>
#include <QPainter>

#include <cstdio>
#include <cstring>
#include <iterator>
#include <string>

#include "core/picture_store.hpp"
#include "platform/bmp.hpp"
#include "tools/asset_kit.hpp"

using namespace kelvora;
using namespace kelvora::tools;

namespace {

// All pictures on one sheet with their names, for looking them over at a glance: laid out in
// rows, small pictures enlarged (by whole pixels) so their detail shows.
QImage contact_sheet(const std::vector<Picture>& pictures) {
    constexpr int sheet_w = 2100, gap = 14, label = 20;
    struct Place {
        int x, y, scale;
    };
    std::vector<Place> places;
    int x = gap, y = gap, row_h = 0;
    for (const Picture& picture : pictures) {
        const Bitmap& b = picture.bitmap;
        const int scale = b.width() <= 40 ? 4 : b.width() <= 150 ? 2 : 1;
        const int w = std::max(b.width() * scale, 150), h = b.height() * scale + label;
        if (x + w > sheet_w) x = gap, y += row_h + gap, row_h = 0;
        places.push_back({x, y, scale});
        x += w + gap;
        row_h = std::max(row_h, h);
    }
    QImage sheet(sheet_w, y + row_h + gap, QImage::Format_RGB32);
    sheet.fill(QColor(60, 60, 66));
    QPainter p(&sheet);
    p.setFont(ui_font(13));
    p.setPen(Qt::white);
    for (std::size_t i = 0; i < pictures.size(); ++i) {
        const Bitmap& b = pictures[i].bitmap;
        const Place& at = places[i];
        p.drawImage(at.x, at.y + label, to_qimage(b).scaled(b.width() * at.scale, b.height() * at.scale));
        p.drawText(at.x, at.y + 14,
                   QString("%1 %2x%3 %4bit")
                       .arg(QString::fromStdString(pictures[i].file_name).chopped(4))
                       .arg(b.width())
                       .arg(b.height())
                       .arg(b.depth()));
    }
    return sheet;
}

// Every picture in the language being drawn; the title's colour table is fitted to the screens
// made of all the other pictures.
std::vector<Picture> draw_pictures() {
    std::vector<Picture> pictures;
    for (auto* make : {make_screen_pictures, make_play_pictures, make_moji_pictures, make_story_pictures}) {
        auto made = make();
        for (auto& picture : made) pictures.push_back(std::move(picture));
    }
    std::vector<Picture> title = make_title_pictures(pictures);
    pictures.insert(pictures.begin(), std::make_move_iterator(title.begin()), std::make_move_iterator(title.end()));
    // How well a fade shows each screen, for whoever changes a picture.
    const ScreenPictures made = screen_pictures(pictures, to_qimage(pictures.front().bitmap));
    for (const FadedScreen& screen : faded_screens(made)) {
        const ColourError error = fade_error(screen.image, pictures.front().bitmap.palette());
        std::printf("fade colour error, %s %-11s mean %5.2f, 99th percentile %6.2f\n",
                    drawing_english_words() ? "en" : "ja", screen.name, error.mean, error.p99);
    }
    return pictures;
}

// Those of `pictures` that the game loads per language: the ones drawn with words.
bool drawn_with_words(const Picture& picture) {
    for (const PictureFile& file : picture_files())
        if (picture.file_name == file.file_name) return file.words;
    return false;
}

bool save_pictures(const std::vector<Picture>& pictures, const std::string& folder, bool only_words) {
    bool ok = true;
    for (const Picture& picture : pictures) {
        if (only_words && !drawn_with_words(picture)) continue;
        if (!save_bmp(folder + picture.file_name, picture.bitmap)) {
            std::fprintf(stderr, "make_assets: cannot write %s%s\n", folder.c_str(), picture.file_name.c_str());
            ok = false;
        }
    }
    return ok;
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
    // Another font would silently change every picture; refuse rather than write different assets.
    for (const char* family : lettering_families())
        if (!QFontDatabase::families().contains(family)) {
            std::fprintf(stderr,
                         "make_assets: the font %s is not installed (fonts-ipafont-gothic, fonts-ipafont-mincho, "
                         "fonts-urw-base35)\n",
                         family);
            return 1;
        }

    const std::vector<Picture> pictures = draw_pictures();
    bool ok = save_pictures(pictures, folder, false);
    // The English forms of the pictures with words, and of the help page, go to en/.
    const std::string english_folder = folder + "en/";
    draw_english_words(true);
    if (!QDir().mkpath(QString::fromStdString(english_folder)) ||
        !save_pictures(draw_pictures(), english_folder, true) || !write_help_page(english_folder))
        ok = false, std::fprintf(stderr, "make_assets: cannot write the English pictures and help page\n");
    draw_english_words(false);
    if (!write_sounds(folder)) ok = false, std::fprintf(stderr, "make_assets: cannot write the sounds\n");
    if (!write_tunes(folder)) ok = false, std::fprintf(stderr, "make_assets: cannot write the tunes\n");
    if (!write_desktop_icons(folder + "icons/"))
        ok = false, std::fprintf(stderr, "make_assets: cannot write the icons\n");
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
