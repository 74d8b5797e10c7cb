#include "app/CommandLine.h"

#include <optional>

#include "tools/Tools.h"

namespace pixtrim {
const char* CommandLineUsage() {
    return "utilisation : pixtrim [DOSSIER]\n"
           "              pixtrim --resize DOSSIER [RÉGLAGES] [--threads N] [--quality N]\n"
           "                      [--keep-going] [--save] [--recursive] [--into DOSSIER]\n"
           "                      [--dry-run]\n"
           "              pixtrim --show-settings [RÉGLAGES]\n"
           "              pixtrim --help | --version\n"
           "RÉGLAGES : [--no-settings] [--box LxH] [--exif | --no-exif]\n"
           "           [--copyright TEXTE | --no-copyright] [--place 0-3] [--size 0-2]\n"
           "           [--color 0|1|2|4] [--opaque | --transparent] [--outline | --no-outline]\n"
           "           [--font NOM] [--output NOM] [--filters LISTE]\n"
           "           [--location | --no-location] [--keep-dates | --no-keep-dates]\n"
           "Sans option, ouvre la fenêtre sur DOSSIER. Avec --resize, redimensionne les images\n"
           "de DOSSIER sans fenêtre, avec les réglages enregistrés pour ce qui n'est pas donné\n"
           "(--no-settings : les réglages par défaut ; --save enregistre les réglages utilisés).\n"
           "--show-settings affiche les réglages qu'un traitement utiliserait. --place : 0 droite\n"
           "bas, 1 gauche bas, 2 gauche haut, 3 droite haut ; --size : 0 petit, 1 moyen,\n"
           "2 grand ; --color : 0 noir, 1 blanc, 2 jaune, 4 bleu ; --quality : de 1 à 100\n"
           "(80 par défaut). --keep-going passe les fichiers en échec, les nomme, et continue.\n"
           "--no-location ôte la position GPS des données EXIF ; --keep-dates donne à chaque\n"
           "copie la date de sa photo. --recursive traite aussi chaque sous-dossier qui a des\n"
           "images ; --into met les copies dans DOSSIER plutôt que dans le sous-répertoire de\n"
           "sortie ; --dry-run dit ce que le traitement supprimerait et écrirait, sans rien\n"
           "changer.\n"
           "Codes de sortie :\n"
           "  0         toutes les copies faites\n"
           "  1         rien n'a été fait : erreur d'utilisation, préparation refusée (un nom\n"
           "            pris par un fichier qui ne vient pas de Pixtrim, un autre traitement,\n"
           "            un dossier invalide), aucune image\n"
           "  2         un échec : le traitement s'est arrêté à un fichier, ou les réglages\n"
           "            n'ont pas été enregistrés (les copies déjà faites restent)\n"
           "  130, 143  interrompu par SIGINT, SIGTERM (après la copie en cours)\n"
           "  127       programme de la fenêtre (pixtrim-gui) introuvable\n";
}

namespace {

// Reads the arguments one option at a time; the first error ends the reading.
class Parser {
public:
    explicit Parser(const std::vector<std::string>& arguments) : arguments_(arguments) {}

    CommandLine Parse() {
        bool runOptions = false;
        for (next_ = 0; next_ < arguments_.size() && line_.error.empty();) {
            const std::string& option = arguments_[next_++];
            const bool mode = option == "--help" || option == "--version" || option == "--resize" ||
                              option == "--show-settings";
            runOptions = runOptions || (!mode && option.starts_with("-"));
            if (!ModeOption(option) && !SettingOption(option) && !RunOption(option)) {
                Other(option);
            }
        }
        // Run options in a mode that has no run are a mistake, never silently dropped.
        if (line_.error.empty() && runOptions && line_.mode == CommandLine::Mode::Window) {
            line_.error = "ces options ne vont qu'avec --resize ou --show-settings";
        }
        if (line_.error.empty() && line_.mode != CommandLine::Mode::Resize &&
            (line_.recursive || line_.dryRun || !line_.into.empty())) {
            line_.error = "--recursive, --into et --dry-run ne vont qu'avec --resize";
        }
        return line_;
    }

private:
    bool TakeValue(std::string& value) {
        if (next_ >= arguments_.size()) return false;
        value = arguments_[next_++];
        return true;
    }
    // An option's number within [low, high]; the error `error` when it has none.
    std::optional<int32_t> Number(int32_t low, int32_t high, const char* error) {
        std::string value;
        const auto number = TakeValue(value) ? WholeNumber(value, low, high) : std::nullopt;
        if (!number) line_.error = error;
        return number;
    }
    void Edit(std::function<void(Settings&)> edit) { line_.edits.push_back(std::move(edit)); }

    bool ModeOption(const std::string& option) {
        if (option == "--help") {
            line_.mode = CommandLine::Mode::Help;
        } else if (option == "--show-settings") {
            line_.mode = CommandLine::Mode::ShowSettings;
        } else if (option == "--version") {
            line_.mode = CommandLine::Mode::Version;
        } else if (option == "--resize") {
            // An empty name (an unset variable in a script) is no folder, not the current one.
            std::string folder;
            if (!TakeValue(folder) || folder.empty()) {
                line_.error = "--resize attend un dossier";
            } else {
                line_.mode = CommandLine::Mode::Resize;
                line_.folder = folder;
            }
        } else {
            return false;
        }
        return true;
    }

    // The options that edit the settings, applied in the order given.
    bool SettingOption(const std::string& option) {
        std::string value;
        if (option == "--box") {
            const size_t x = TakeValue(value) ? value.find('x') : std::string::npos;
            if (x == std::string::npos) return line_.error = "--box attend LARGEURxHAUTEUR", true;
            // The texts go to the run as they are: its own check of the size decides.
            Edit([width = value.substr(0, x), height = value.substr(x + 1)](Settings& s) {
                s.ImageWidth = width, s.ImageHeight = height;
            });
        } else if (option == "--exif" || option == "--no-exif") {
            Edit([on = option == "--exif"](Settings& s) { s.KeepExif = on; });
        } else if (option == "--copyright") {
            if (!TakeValue(value)) return line_.error = "--copyright attend un texte", true;
            Edit([value](Settings& s) { s.InsertCopyright = true, s.CopyrightText = value; });
        } else if (option == "--no-copyright") {
            Edit([](Settings& s) { s.InsertCopyright = false; });
        } else if (option == "--place") {
            if (const auto place = Number(0, 3, "--place attend 0, 1, 2 ou 3"))
                Edit([place](Settings& s) { s.CopyrightPlace = uint8_t(*place); });
        } else if (option == "--size") {
            if (const auto size = Number(0, 2, "--size attend 0, 1 ou 2"))
                Edit([size](Settings& s) { s.CopyrightSize = uint8_t(*size); });
        } else if (option == "--color") {
            const auto color = Number(0, 4, "--color attend 0, 1, 2 ou 4");
            if (color == 3) line_.error = "--color attend 0, 1, 2 ou 4";
            if (color && color != 3)
                Edit([color](Settings& s) { s.CopyrightColor = int16_t(*color); });
        } else if (option == "--location" || option == "--no-location") {
            Edit([on = option == "--location"](Settings& s) { s.KeepLocation = on; });
        } else if (option == "--keep-dates" || option == "--no-keep-dates") {
            Edit([on = option == "--keep-dates"](Settings& s) { s.KeepDates = on; });
        } else if (option == "--opaque" || option == "--transparent") {
            Edit([on = option == "--transparent"](Settings& s) { s.CopyrightTransparent = on; });
        } else if (option == "--outline" || option == "--no-outline") {
            Edit([on = option == "--outline"](Settings& s) { s.CopyrightOutline = on; });
        } else if (option == "--font" || option == "--output" || option == "--filters") {
            if (!TakeValue(value)) return line_.error = option + " attend une valeur", true;
            auto field = option == "--font"     ? &Settings::CopyrightFont
                         : option == "--output" ? &Settings::ResizedFolderName
                                                : &Settings::ImageFilters;
            Edit([field, value](Settings& s) { s.*field = value; });
        } else {
            return false;
        }
        return true;
    }

    // The options of the run itself, never stored.
    bool RunOption(const std::string& option) {
        if (option == "--quality") {
            if (const auto quality = Number(1, 100, "--quality attend un nombre de 1 à 100"))
                line_.quality = *quality;
        } else if (option == "--threads") {
            if (const auto threads = Number(1, 64, "--threads attend un nombre de 1 à 64"))
                line_.threads = *threads;
        } else if (option == "--keep-going") {
            line_.keepGoing = true;
        } else if (option == "--recursive") {
            line_.recursive = true;
        } else if (option == "--dry-run") {
            line_.dryRun = true;
        } else if (option == "--into") {
            // An empty name (an unset variable in a script) is no folder, not the current one.
            if (!TakeValue(line_.into) || line_.into.empty())
                line_.error = "--into attend un dossier";
        } else if (option == "--no-settings") {
            line_.useStore = false;
        } else if (option == "--save") {
            line_.save = true;
        } else {
            return false;
        }
        return true;
    }

    void Other(const std::string& argument) {
        if (argument.starts_with("-")) {
            line_.error = "option inconnue : " + argument;
        } else if (line_.folder.empty() && line_.mode == CommandLine::Mode::Window) {
            line_.folder = argument;
        } else {
            line_.error = "argument en trop : " + argument;
        }
    }

    const std::vector<std::string>& arguments_;
    size_t next_ = 0;
    CommandLine line_;
};

}  // namespace

CommandLine ParseCommandLine(const std::vector<std::string>& arguments) {
    return Parser(arguments).Parse();
}

}  // namespace pixtrim
