#include "shell/menu_commands.hpp"

#include "core/app.hpp"
#include "platform/language.hpp"
#include "ranking/server_address.hpp"

namespace kelvora {

namespace {

constexpr const char* help_page = "help.html";

bool is_web_address(const std::string& address) {
    return address.rfind("http://", 0) == 0 || address.rfind("https://", 0) == 0;
}

void report_failure(App& app, const std::string& target, const std::string& reason) {
    app.platform.window.show_message(std::string(tr("次のページを開けませんでした。")) + "\n\n" + target + "\n\n" + reason);
}

}  // namespace

std::string home_page_address() {
    std::string address = ranking_server_address();
    if (address.empty() || address.back() != '/') address += '/';
    return address;
}

// Changed: the page used to be appended unquoted to a command line for the shell, which broke on
// a folder with blanks and let a crafted path run commands; the launcher now gets it as one
// argument, and a page that cannot be opened is reported instead of failing silently.
void open_browser(App& app, const std::string& target) {
    app.platform.browser.open(target,
                              [&app, target](const std::string& reason) { report_failure(app, target, reason); });
}

void open_help(App& app) { open_browser(app, app.app_dir + app.language_dir + help_page); }

void open_home_page(App& app) {
    const std::string address = home_page_address();
    // The address comes from the player's settings: anything but a web address is not handed on.
    if (!is_web_address(address)) {
        report_failure(app, address, std::string(tr("アドレスが http:// でも https:// でも始まりません。")));
        return;
    }
    open_browser(app, address);
}

}  // namespace kelvora
