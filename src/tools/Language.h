// The language a person reads: French, the program's own, or English for every other
// locale. Texts are French in the source, each marked where it is written (Tr, or
// QT_TRANSLATE_NOOP for a constant); their English comes from the translation compiled
// into the program (share/translations/pixtrim_en.ts, made into a .qm by lrelease).
#pragma once

#include <QString>
#include <string>

namespace pixtrim {

enum class Language { French, English };

// The language the environment asks for: PIXTRIM_LANG ("fr" or "en") when set; else the
// first of LANGUAGE (its first entry), LC_ALL, LC_MESSAGES and LANG that is set: French
// for a French locale and for C, C.UTF-8, POSIX or none, English for any other.
Language LanguageOf(const char* pixtrimLang, const char* language, const char* lcAll,
                    const char* lcMessages, const char* lang);
Language LanguageFromEnvironment();

// The language of every text from now on (French until set).
void SetLanguage(Language language);
Language CurrentLanguage();

// `french` in the current language: itself, or its English.
std::string Tr(const char* french);
QString TrText(const char* french);

// `text` with %1, %2… replaced by `args` in turn (each once, in order of their numbers).
std::string Arg(const std::string& text, std::initializer_list<std::string> args);

}  // namespace pixtrim
