#include "shell/option_help.hpp"

#include <algorithm>
#include <iterator>

#include "platform/language.hpp"

namespace kelvora {

std::array<std::string, 8> make_option_help() {
    static const char* const texts[] = {
        N_("・雨粒の色の数を表します。\n\n"
           "・オフィシャルモードでは「４」です。\n\n"
           "・色が多ければ多いほど、難度は上がります。\n"
           "（２色・３色・４色・・・）"),

        N_("・雨粒の大きさを表します。\n\n"
           "・オフィシャルモードでは「３」です。\n\n"
           "・数字が大きければ雨粒も大きくなり、難度が上がります。\n"
           "（極小・小・普通・大・特大）"),

        N_("・雨粒の落下スピードを表します。\n\n"
           "・オフィシャルモードでは「１」ですが、徐々に速くなっていきます。\n\n"
           "・オプションモードでは、徐々に速くなっていくことはありません。\n\n"
           "・数字が大きければスピードも上がり、難度が上がります。\n"
           "（とても遅い・遅い・普通・速い・とても速い）"),

        N_("・雨が落ちてくる量を表します。\n\n"
           "・オフィシャルモードでは「３」です。\n\n"
           "・数字が大きければ降雨量も多くなり、難度は上がります。\n"
           "（極少雨・少雨・普通・大雨・超大雨）"),

        N_("・雨粒がいくつ連なれば消せるかを表します。\n\n"
           "・オフィシャルモードでは「２」です。\n\n"
           "・数が多ければ多いほど、難度は上がります。\n"
           "（２粒・３粒・４粒・・・）"),

        N_("・連鎖判定時間の長さを表します。\n\n"
           "・オフィシャルモードでは「２」です。\n\n"
           "・数字が大きければ連鎖判定時間も長くなり、連鎖しやすくなります。\n"
           "（とても短い・短い・普通・長い・とても長い）"),

        N_("・現在のオプションの状態で、ゲームを開始します。"),
    };
    std::array<std::string, 8> help;
    for (std::size_t i = 0; i < std::size(texts); ++i) {
        // The catalogues keep line feeds; the options screen breaks lines at a carriage return.
        help[i + 1] = std::string(tr(texts[i]));
        std::replace(help[i + 1].begin(), help[i + 1].end(), '\n', '\r');
    }
    return help;
}

}  // namespace kelvora
