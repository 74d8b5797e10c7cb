#include "app/CommandLine.h"

#include <QCommandLineParser>
#include <QStringList>
#include <map>
#include <optional>

#include "tools/Language.h"
#include "tools/Tools.h"

namespace pixtrim {
std::string CommandLineUsage() {
    return Tr(
        "utilisation : pixtrim [DOSSIER]\n"
        "              pixtrim --resize DOSSIER [RÉGLAGES] [--threads N] [--quality N]\n"
        "                      [--keep-going] [--save] [--recursive] [--into DOSSIER]\n"
        "                      [--dry-run]\n"
        "              pixtrim --show-settings [RÉGLAGES]\n"
        "              pixtrim -h | --help | -v | --version\n"
        "RÉGLAGES : [--no-settings] [--box LxH] [--exif | --no-exif]\n"
        "           [--copyright TEXTE | --no-copyright] [--place 0-3] [--size 0-2]\n"
        "           [--color 0|1|2|4] [--opaque | --transparent] [--outline | --no-outline]\n"
        "           [--font NOM] [--output NOM] [--filters LISTE]\n"
        "           [--location | --no-location] [--keep-dates | --no-keep-dates]\n"
        "Une valeur suit son option (--box 800x600) ou s'y joint (--box=800x600) ; après --,\n"
        "tout est un DOSSIER (pixtrim --resize -- -photos).\n"
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
        "  2         un échec : le traitement s'est arrêté à un fichier, un fichier a été\n"
        "            passé (--keep-going), ou les réglages n'ont pas été enregistrés (les\n"
        "            copies déjà faites restent)\n"
        "  130, 143  interrompu par SIGINT, SIGTERM (après la copie en cours)\n"
        "  127       programme de la fenêtre (pixtrim-gui) introuvable\n");
}

namespace {

// What an option is: a mode, an edit of the settings (applied in the order given), or an
// option of the run itself (never stored, refused where there is no run).
enum class Kind { Mode, Setting, Run };

struct Known {
    QStringList names;  // the short name first, where there is one
    bool takesValue;
    Kind kind;
};

const std::vector<Known>& KnownOptions() {
    static const std::vector<Known> options = {
        {{"h", "help"}, false, Kind::Mode},
        {{"v", "version"}, false, Kind::Mode},
        {{"resize"}, false, Kind::Mode},
        {{"show-settings"}, false, Kind::Mode},
        {{"box"}, true, Kind::Setting},
        {{"exif"}, false, Kind::Setting},
        {{"no-exif"}, false, Kind::Setting},
        {{"copyright"}, true, Kind::Setting},
        {{"no-copyright"}, false, Kind::Setting},
        {{"place"}, true, Kind::Setting},
        {{"size"}, true, Kind::Setting},
        {{"color"}, true, Kind::Setting},
        {{"location"}, false, Kind::Setting},
        {{"no-location"}, false, Kind::Setting},
        {{"keep-dates"}, false, Kind::Setting},
        {{"no-keep-dates"}, false, Kind::Setting},
        {{"opaque"}, false, Kind::Setting},
        {{"transparent"}, false, Kind::Setting},
        {{"outline"}, false, Kind::Setting},
        {{"no-outline"}, false, Kind::Setting},
        {{"font"}, true, Kind::Setting},
        {{"output"}, true, Kind::Setting},
        {{"filters"}, true, Kind::Setting},
        {{"no-settings"}, false, Kind::Setting},
        {{"quality"}, true, Kind::Run},
        {{"threads"}, true, Kind::Run},
        {{"keep-going"}, false, Kind::Run},
        {{"recursive"}, false, Kind::Run},
        {{"dry-run"}, false, Kind::Run},
        {{"into"}, true, Kind::Run},
        {{"save"}, false, Kind::Run},
    };
    return options;
}

const Known* Find(const QString& name) {
    for (const Known& known : KnownOptions()) {
        if (known.names.contains(name)) return &known;
    }
    return nullptr;
}

// The bytes of an argument and back: Latin-1 maps each byte to one character, so a name that
// is not UTF-8 comes through the toolkit's parser unchanged.
QString Latin1(const std::string& bytes) {
    return QString::fromLatin1(bytes.data(), qsizetype(bytes.size()));
}
std::string Bytes(const QString& text) { return text.toLatin1().toStdString(); }

// The words of an option's value that is missing or wrong.
std::string ValueError(const std::string& option) {
    if (option == "--box") return Tr("--box attend LARGEURxHAUTEUR");
    if (option == "--copyright") return Tr("--copyright attend un texte");
    if (option == "--place") return Tr("--place attend 0, 1, 2 ou 3");
    if (option == "--size") return Tr("--size attend 0, 1 ou 2");
    if (option == "--color") return Tr("--color attend 0, 1, 2 ou 4");
    if (option == "--quality") return Tr("--quality attend un nombre de 1 à 100");
    if (option == "--threads") return Tr("--threads attend un nombre de 1 à 64");
    if (option == "--into") return Tr("--into attend un dossier");
    return Arg(Tr("%1 attend une valeur"), {option});
}

// Reads the arguments through the toolkit's parser, then applies the options in the order
// given; the first error ends the reading.
class Parser {
public:
    explicit Parser(const std::vector<std::string>& arguments) : arguments_(arguments) {}

    CommandLine Parse() {
        QCommandLineParser parser;
        for (const Known& known : KnownOptions()) {
            parser.addOption(known.takesValue ? QCommandLineOption(known.names, "", "VALEUR")
                                              : QCommandLineOption(known.names));
        }
        QStringList words = {"pixtrim"};
        for (const std::string& argument : arguments_) words << Latin1(argument);
        if (!parser.parse(words)) {
            line_.error = ParseError(parser);
            return line_;
        }
        std::map<const Known*, qsizetype> taken;  // values used so far, per option
        bool runOptions = false;
        std::string onlyRun;  // the first option given that only a run takes
        for (const QString& name : parser.optionNames()) {
            const Known* known = Find(name);
            const std::string option = "--" + Bytes(known->names.last());
            const std::string value =
                known->takesValue ? Bytes(parser.values(name).value(taken[known]++)) : "";
            runOptions = runOptions || known->kind != Kind::Mode;
            if (known->kind == Kind::Run && onlyRun.empty()) onlyRun = option;
            Apply(*known, option, value);
            if (!line_.error.empty()) return line_;
        }
        Positional(parser.positionalArguments());
        // Options in a mode that has no run are a mistake, never silently dropped.
        if (line_.error.empty() && runOptions && line_.mode == CommandLine::Mode::Window) {
            line_.error = Tr("ces options ne vont qu'avec --resize ou --show-settings");
        } else if (line_.error.empty() && !onlyRun.empty() &&
                   line_.mode != CommandLine::Mode::Resize) {
            line_.error = Arg(Tr("%1 ne va qu'avec --resize"), {onlyRun});
        }
        return line_;
    }

private:
    // The parser's refusal in the program's words: a value given to an option that takes
    // none, an unknown option, or a value missing after the last argument.
    std::string ParseError(const QCommandLineParser& parser) const {
        for (const std::string& argument : arguments_) {
            if (argument == "--") break;
            const size_t equals = argument.find('=');
            const Known* known = argument.starts_with("--") && equals != std::string::npos
                                     ? Find(Latin1(argument.substr(2, equals - 2)))
                                     : nullptr;
            if (known && !known->takesValue)
                return Arg(Tr("%1 n'attend pas de valeur"), {argument.substr(0, equals)});
        }
        if (!parser.unknownOptionNames().isEmpty()) {
            const QString name = parser.unknownOptionNames().first();
            return Arg(Tr("option inconnue : %1"),
                       {std::string(name.size() == 1 ? "-" : "--") + Bytes(name)});
        }
        const QString last = Latin1(arguments_.back());
        const Known* known = Find(last.startsWith("--") ? last.mid(2) : last.mid(1));
        return ValueError(known ? "--" + Bytes(known->names.last()) : arguments_.back());
    }

    void Apply(const Known& known, const std::string& option, const std::string& value) {
        if (known.kind == Kind::Mode) return ModeOption(option);
        if (known.kind == Kind::Setting) return SettingOption(option, value);
        RunOption(option, value);
    }

    // An option's number within [low, high]; its error when it has none.
    std::optional<int32_t> Number(const std::string& option, const std::string& value, int32_t low,
                                  int32_t high) {
        const auto number = WholeNumber(value, low, high);
        if (!number) line_.error = ValueError(option);
        return number;
    }
    void Edit(std::function<void(Settings&)> edit) { line_.edits.push_back(std::move(edit)); }

    void ModeOption(const std::string& option) {
        if (option == "--help") line_.mode = CommandLine::Mode::Help;
        if (option == "--show-settings") line_.mode = CommandLine::Mode::ShowSettings;
        if (option == "--version") line_.mode = CommandLine::Mode::Version;
        if (option == "--resize") line_.mode = CommandLine::Mode::Resize;
    }

    // The folder: the window's, or the run's, which --resize needs.
    void Positional(const QStringList& words) {
        if (!line_.error.empty()) return;
        const bool takesFolder =
            line_.mode == CommandLine::Mode::Window || line_.mode == CommandLine::Mode::Resize;
        if (words.size() > (takesFolder ? 1 : 0)) {
            line_.error =
                Arg(Tr("argument en trop : %1"), {Bytes(words.value(takesFolder ? 1 : 0))});
        } else if (!words.isEmpty()) {
            line_.folder = Bytes(words.first());
        }
        // An empty name (an unset variable in a script) is no folder, not the current one.
        if (line_.error.empty() && line_.mode == CommandLine::Mode::Resize && line_.folder.empty())
            line_.error = Tr("--resize attend un dossier");
    }

    // The options that edit the settings, applied in the order given.
    void SettingOption(const std::string& option, const std::string& value) {
        if (option == "--box") {
            const size_t x = value.find('x');
            if (x == std::string::npos) return void(line_.error = ValueError(option));
            // The texts go to the run as they are: its own check of the size decides.
            Edit([width = value.substr(0, x), height = value.substr(x + 1)](Settings& s) {
                s.ImageWidth = width, s.ImageHeight = height;
            });
        } else if (option == "--exif" || option == "--no-exif") {
            Edit([on = option == "--exif"](Settings& s) { s.KeepExif = on; });
        } else if (option == "--copyright") {
            Edit([value](Settings& s) { s.InsertCopyright = true, s.CopyrightText = value; });
        } else if (option == "--no-copyright") {
            Edit([](Settings& s) { s.InsertCopyright = false; });
        } else if (option == "--place") {
            if (const auto place = Number(option, value, 0, 3))
                Edit([place](Settings& s) { s.CopyrightPlace = uint8_t(*place); });
        } else if (option == "--size") {
            if (const auto size = Number(option, value, 0, 2))
                Edit([size](Settings& s) { s.CopyrightSize = uint8_t(*size); });
        } else if (option == "--color") {
            const auto color = Number(option, value, 0, 4);
            if (color == 3) line_.error = ValueError(option);
            if (color && color != 3)
                Edit([color](Settings& s) { s.CopyrightColor = int16_t(*color); });
        } else {
            SwitchOrText(option, value);
        }
    }

    void SwitchOrText(const std::string& option, const std::string& value) {
        if (option == "--location" || option == "--no-location") {
            Edit([on = option == "--location"](Settings& s) { s.KeepLocation = on; });
        } else if (option == "--keep-dates" || option == "--no-keep-dates") {
            Edit([on = option == "--keep-dates"](Settings& s) { s.KeepDates = on; });
        } else if (option == "--opaque" || option == "--transparent") {
            Edit([on = option == "--transparent"](Settings& s) { s.CopyrightTransparent = on; });
        } else if (option == "--outline" || option == "--no-outline") {
            Edit([on = option == "--outline"](Settings& s) { s.CopyrightOutline = on; });
        } else if (option == "--no-settings") {
            line_.useStore = false;
        } else {
            auto field = option == "--font"     ? &Settings::CopyrightFont
                         : option == "--output" ? &Settings::ResizedFolderName
                                                : &Settings::ImageFilters;
            Edit([field, value](Settings& s) { s.*field = value; });
        }
    }

    // The options of the run itself, never stored.
    void RunOption(const std::string& option, const std::string& value) {
        if (option == "--quality") {
            if (const auto quality = Number(option, value, 1, 100)) line_.quality = *quality;
        } else if (option == "--threads") {
            if (const auto threads = Number(option, value, 1, 64)) line_.threads = *threads;
        } else if (option == "--keep-going") {
            line_.keepGoing = true;
        } else if (option == "--recursive") {
            line_.recursive = true;
        } else if (option == "--dry-run") {
            line_.dryRun = true;
        } else if (option == "--into") {
            // An empty name (an unset variable in a script) is no folder, not the current one.
            line_.into = value;
            if (value.empty()) line_.error = ValueError(option);
        } else if (option == "--save") {
            line_.save = true;
        }
    }

    const std::vector<std::string>& arguments_;
    CommandLine line_;
};

}  // namespace

CommandLine ParseCommandLine(const std::vector<std::string>& arguments) {
    return Parser(arguments).Parse();
}

}  // namespace pixtrim
