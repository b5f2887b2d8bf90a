// The game's icon: the 32-pixel window icon and the desktop's icons at every size, all drawn from
// one piece of art (a night-blue tile holding one drop), so no size is an enlarged copy.

#include "tools/asset_kit.hpp"

#include <QDir>

namespace kelvora::tools {

const std::vector<int>& desktop_icon_sizes() {
    static const std::vector<int> sizes{32, 48, 64, 128, 256};
    return sizes;
}

QImage paint_icon(int size, QColor ground) {
    QImage image = new_canvas(size, size, ground);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    // The art is laid out on 32 units; each size draws it afresh at its own scale.
    const double unit = size / 32.0;
    QLinearGradient g(QPointF(0, 0), QPointF(0, 32 * unit));
    g.setColorAt(0, QColor(8, 16, 44));
    g.setColorAt(1, QColor(20, 46, 100));
    p.setPen(Qt::NoPen);
    p.setBrush(g);
    p.drawRoundedRect(QRectF(0, 0, 32 * unit, 32 * unit), 6 * unit, 6 * unit);
    paint_drop(p, QPointF(16 * unit, 16.5 * unit), 27 * unit, QColor(70, 150, 255), false);
    return image;
}

bool write_desktop_icons(const std::string& folder) {
    if (!QDir().mkpath(QString::fromStdString(folder))) return false;
    for (int size : desktop_icon_sizes()) {
        const QString path = QString::fromStdString(folder) + QString("kelvora_%1.png").arg(size);
        // Transparent corners: the desktop draws the tile on its own background.
        if (!paint_icon(size, Qt::transparent).save(path, "PNG")) return false;
    }
    return true;
}

}  // namespace kelvora::tools
