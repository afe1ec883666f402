// The options of the "open" command.
#include "tools/testapp/testapp.h"

#include <stdlib.h>

namespace testapp {
namespace {

// One "key" or "key=value" of the open command; an error text, or empty.
std::string ParseOption(const std::string& word, OpenOptions* o) {
    size_t eq = word.find('=');
    std::string key = word.substr(0, eq);
    std::string value = eq == std::string::npos ? "" : word.substr(eq + 1);
    const struct {
        const char* name;
        bool* flag;
    } flags[] = {{"tool", &o->tool},   {"appwindow", &o->appWindow},
                 {"owned", &o->owned}, {"disabled", &o->disabled},
                 {"fixed", &o->fixed}, {"askclose", &o->askClose}};
    for (const auto& f : flags) {
        if (key == f.name) {
            *f.flag = true;
            return std::string();
        }
    }
    const struct {
        const char* name;
        int* number;
    } numbers[] = {
        {"count", &o->count}, {"x", &o->x}, {"y", &o->y}, {"w", &o->width}, {"h", &o->height}};
    for (const auto& n : numbers) {
        if (key == n.name) {
            *n.number = atoi(value.c_str());
            return std::string();
        }
    }
    if (key == "class")
        o->className = value;
    else if (key == "title")
        o->title = value;
    else if (key == "hidden")
        o->visible = false;
    else if (key == "minimized")
        o->show = SW_SHOWMINIMIZED;
    else if (key == "maximized")
        o->show = SW_SHOWMAXIMIZED;
    else if (key == "owner")
        o->ownerRef = value;
    else
        return "error: unknown option " + word;
    return std::string();
}

} // namespace

std::string ReplaceNumber(const std::string& title, int number) {
    std::string out;
    for (size_t i = 0; i < title.size(); ++i) {
        if (title[i] == '%' && i + 1 < title.size() && title[i + 1] == 'd') {
            out += std::to_string(number);
            ++i;
        } else {
            out += title[i];
        }
    }
    return out;
}

std::string ParseOpenOptions(const std::vector<std::string>& words, OpenOptions* o) {
    for (size_t i = 1; i < words.size(); ++i) {
        std::string error = ParseOption(words[i], o);
        if (!error.empty()) return error;
    }
    return std::string();
}

} // namespace testapp
