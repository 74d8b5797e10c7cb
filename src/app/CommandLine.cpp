#include "app/CommandLine.h"

#include <optional>

#include "tools/Tools.h"

namespace pixtrim {
namespace {

// A whole number in [low, high], from a text that holds nothing else.
std::optional<int32_t> WholeNumber(const std::string& text, int32_t low, int32_t high) {
    if (text.empty() || text.find_first_not_of("0123456789") != std::string::npos) {
        return std::nullopt;
    }
    return RoundToRange(NumericValue(text), low, high);
}

}  // namespace

const char* CommandLineUsage() {
    return "utilisation : pixtrim [DOSSIER]\n"
           "              pixtrim --resize DOSSIER [RÉGLAGES] [--threads N] [--quality N]\n"
           "                      [--keep-going] [--save]\n"
           "              pixtrim --show-settings [RÉGLAGES]\n"
           "              pixtrim --help | --version\n"
           "RÉGLAGES : [--no-settings] [--box LxH] [--exif | --no-exif]\n"
           "           [--copyright TEXTE | --no-copyright] [--place 0-3] [--size 0-2]\n"
           "           [--color 0|1|2|4] [--opaque | --transparent] [--outline | --no-outline]\n"
           "           [--font NOM] [--output NOM] [--filters LISTE]\n"
           "Sans option, ouvre la fenêtre sur DOSSIER. Avec --resize, redimensionne les images\n"
           "de DOSSIER sans fenêtre, avec les réglages enregistrés pour ce qui n'est pas donné\n"
           "(--no-settings : les réglages par défaut ; --save enregistre les réglages utilisés).\n"
           "--show-settings affiche les réglages qu'un traitement utiliserait. --place : 0 droite\n"
           "bas, 1 gauche bas, 2 gauche haut, 3 droite haut ; --size : 0 petit, 1 moyen,\n"
           "2 grand ; --color : 0 noir, 1 blanc, 2 jaune, 4 bleu ; --quality : de 1 à 100\n"
           "(80 par défaut). --keep-going passe les fichiers en échec, les nomme, et continue.\n"
           "Codes de sortie :\n"
           "  0         toutes les copies faites\n"
           "  1         rien n'a été fait : erreur d'utilisation, préparation refusée (un nom\n"
           "            pris par un fichier qui ne vient pas de Pixtrim, un autre traitement,\n"
           "            un dossier invalide), aucune image\n"
           "  2         un échec : le traitement s'est arrêté à un fichier, ou les réglages\n"
           "            n'ont pas été enregistrés (les copies déjà faites restent)\n"
           "  130, 143  interrompu par SIGINT, SIGTERM (après la copie en cours)\n";
}

CommandLine ParseCommandLine(const std::vector<std::string>& arguments) {
    CommandLine line;
    bool runOptions = false;
    const auto fail = [&](const std::string& error) {
        line.error = error;
        return line;
    };
    for (size_t i = 0; i < arguments.size(); ++i) {
        const std::string& option = arguments[i];
        std::string value;
        const auto takeValue = [&] {
            if (i + 1 >= arguments.size()) return false;
            value = arguments[++i];
            return true;
        };
        // Options that take a number: the number and its range.
        const auto number = [&](int32_t low, int32_t high) -> std::optional<int32_t> {
            if (!takeValue()) return std::nullopt;
            return WholeNumber(value, low, high);
        };
        auto& edits = line.edits;
        if (option != "--help" && option != "--version" && option != "--resize" &&
            option != "--show-settings" && option.starts_with("-")) {
            runOptions = true;
        }
        if (option == "--help") {
            line.mode = CommandLine::Mode::Help;
        } else if (option == "--show-settings") {
            line.mode = CommandLine::Mode::ShowSettings;
        } else if (option == "--version") {
            line.mode = CommandLine::Mode::Version;
        } else if (option == "--resize") {
            // An empty name (an unset variable in a script) is no folder, not the current one.
            if (!takeValue() || value.empty()) return fail("--resize attend un dossier");
            line.mode = CommandLine::Mode::Resize;
            line.folder = value;
        } else if (option == "--box") {
            const size_t x = takeValue() ? value.find('x') : std::string::npos;
            if (x == std::string::npos) return fail("--box attend LARGEURxHAUTEUR");
            // The texts go to the run as they are: its own check of the size decides.
            edits.push_back([width = value.substr(0, x), height = value.substr(x + 1)](
                                Settings& s) { s.ImageWidth = width, s.ImageHeight = height; });
        } else if (option == "--exif" || option == "--no-exif") {
            edits.push_back([on = option == "--exif"](Settings& s) { s.KeepExif = on; });
        } else if (option == "--copyright") {
            if (!takeValue()) return fail("--copyright attend un texte");
            edits.push_back([text = value](Settings& s) {
                s.InsertCopyright = true;
                s.CopyrightText = text;
            });
        } else if (option == "--no-copyright") {
            edits.push_back([](Settings& s) { s.InsertCopyright = false; });
        } else if (option == "--place") {
            const auto place = number(0, 3);
            if (!place) return fail("--place attend 0, 1, 2 ou 3");
            edits.push_back([place](Settings& s) { s.CopyrightPlace = uint8_t(*place); });
        } else if (option == "--size") {
            const auto size = number(0, 2);
            if (!size) return fail("--size attend 0, 1 ou 2");
            edits.push_back([size](Settings& s) { s.CopyrightSize = uint8_t(*size); });
        } else if (option == "--color") {
            const auto colour = number(0, 4);
            if (!colour || *colour == 3) return fail("--color attend 0, 1, 2 ou 4");
            edits.push_back([colour](Settings& s) { s.CopyrightColor = int16_t(*colour); });
        } else if (option == "--opaque" || option == "--transparent") {
            edits.push_back(
                [on = option == "--transparent"](Settings& s) { s.CopyrightTransparent = on; });
        } else if (option == "--outline" || option == "--no-outline") {
            edits.push_back([on = option == "--outline"](Settings& s) { s.CopyrightOutline = on; });
        } else if (option == "--quality") {
            const auto quality = number(1, 100);
            if (!quality) return fail("--quality attend un nombre de 1 à 100");
            line.quality = *quality;
        } else if (option == "--keep-going") {
            line.keepGoing = true;
        } else if (option == "--no-settings") {
            line.useStore = false;
        } else if (option == "--font" || option == "--output" || option == "--filters") {
            if (!takeValue()) return fail(option + " attend une valeur");
            auto field = option == "--font"     ? &Settings::CopyrightFont
                         : option == "--output" ? &Settings::ResizedFolderName
                                                : &Settings::ImageFilters;
            edits.push_back([field, value](Settings& s) { s.*field = value; });
        } else if (option == "--threads") {
            const auto threads = number(1, 64);
            if (!threads) return fail("--threads attend un nombre de 1 à 64");
            line.threads = *threads;
        } else if (option == "--save") {
            line.save = true;
        } else if (option.starts_with("-")) {
            return fail("option inconnue : " + option);
        } else if (line.folder.empty() && line.mode == CommandLine::Mode::Window) {
            line.folder = option;
        } else {
            return fail("argument en trop : " + option);
        }
    }
    // Run options in a mode that has no run are a mistake, never silently dropped.
    if (runOptions && line.mode == CommandLine::Mode::Window) {
        return fail("ces options ne vont qu'avec --resize ou --show-settings");
    }
    return line;
}

}  // namespace pixtrim
