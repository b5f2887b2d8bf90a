#pragma once
// The game's texts for Qt's widgets, in the player's language.

#include <QString>

#include "platform/language.hpp"

namespace kelvora {

inline QString qtr(std::string_view japanese_text) {
    const std::string_view text = tr(japanese_text);
    return QString::fromUtf8(text.data(), qsizetype(text.size()));
}

}  // namespace kelvora
