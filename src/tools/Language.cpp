#include "tools/Language.h"

#include <QTranslator>
#include <cstdlib>
#include <mutex>

namespace pixtrim {
namespace {

Language current = Language::French;

// The locale's name says French, or says nothing a person reads (C, POSIX).
bool FrenchLocale(std::string name) {
    name = name.substr(0, name.find(':'));  // LANGUAGE lists several
    return name.empty() || name == "C" || name.starts_with("C.") || name == "POSIX" ||
           name.starts_with("fr");
}

// The translation, loaded once, on first use (from any thread).
const QTranslator& English() {
    static QTranslator translator;
    static std::once_flag loaded;
    std::call_once(loaded, [] { (void)translator.load(":/i18n/pixtrim_en.qm"); });
    return translator;
}

}  // namespace

Language LanguageOf(const char* pixtrimLang, const char* language, const char* lcAll,
                    const char* lcMessages, const char* lang) {
    if (pixtrimLang && std::string(pixtrimLang) == "fr") return Language::French;
    if (pixtrimLang && std::string(pixtrimLang) == "en") return Language::English;
    for (const char* name : {language, lcAll, lcMessages, lang}) {
        if (name && *name) return FrenchLocale(name) ? Language::French : Language::English;
    }
    return Language::French;
}

Language LanguageFromEnvironment() {
    return LanguageOf(std::getenv("PIXTRIM_LANG"), std::getenv("LANGUAGE"), std::getenv("LC_ALL"),
                      std::getenv("LC_MESSAGES"), std::getenv("LANG"));
}

void SetLanguage(Language language) { current = language; }
Language CurrentLanguage() { return current; }

QString TrText(const char* french) {
    if (current == Language::French) return QString::fromUtf8(french);
    const QString english = English().translate("pixtrim", french);
    return english.isEmpty() ? QString::fromUtf8(french) : english;
}

std::string Tr(const char* french) {
    if (current == Language::French) return french;
    return TrText(french).toStdString();
}

std::string Arg(const std::string& text, std::initializer_list<std::string> args) {
    // One pass: an argument that itself holds "%2" is never replaced again.
    std::string out;
    for (size_t i = 0; i < text.size(); ++i) {
        const size_t number = i + 1 < text.size() ? size_t(text[i + 1] - '0') : 0;
        if (text[i] == '%' && number >= 1 && number <= args.size()) {
            out += *(args.begin() + (number - 1));
            ++i;
        } else {
            out += text[i];
        }
    }
    return out;
}

}  // namespace pixtrim
