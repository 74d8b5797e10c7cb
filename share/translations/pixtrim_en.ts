<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en">
<context>
    <name>pixtrim</name>
    <message>
        <source>Il n&apos;y a aucune image dans ce répertoire</source>
        <translation>There is no image in this folder</translation>
    </message>
    <message>
        <source>Impossible de préparer le répertoire </source>
        <translation>Cannot prepare the folder </translation>
    </message>
    <message>
        <source>Il est dans les dossiers que le traitement lit</source>
        <translation>It is inside the folders the run reads</translation>
    </message>
    <message>
        <source>%1 copie</source>
        <translation>%1 copy</translation>
    </message>
    <message>
        <source>%1 copies</source>
        <translation>%1 copies</translation>
    </message>
    <message>
        <source>%1 et %2</source>
        <translation>%1 and %2</translation>
    </message>
    <message>
        <source>%1 échec</source>
        <translation>%1 failure</translation>
    </message>
    <message>
        <source>%1 échecs</source>
        <translation>%1 failures</translation>
    </message>
    <message>
        <source>%1 dossier</source>
        <translation>%1 folder</translation>
    </message>
    <message>
        <source>%1 dossiers</source>
        <translation>%1 folders</translation>
    </message>
    <message>
        <source>%1 dans %2 (%3 s)</source>
        <translation>%1 in %2 (%3 s)</translation>
    </message>
    <message>
        <source>ce n&apos;est pas un fichier ordinaire</source>
        <translation>not a regular file</translation>
    </message>
    <message>
        <source>l&apos;image demande %1 Mo de mémoire, plus que cette machine n&apos;en a</source>
        <translation>the image needs %1 MB of memory, more than this machine has</translation>
    </message>
    <message>
        <source>Erreur à l&apos;ouverture de </source>
        <translation>Error opening </translation>
    </message>
    <message>
        <source>Erreur lors de l&apos;insertion du copyright à </source>
        <translation>Error drawing the copyright on </translation>
    </message>
    <message>
        <source>Image abîmée, copiée telle qu&apos;elle a pu être lue : </source>
        <translation>Damaged image, copied as far as it could be read: </translation>
    </message>
    <message>
        <source>Données EXIF trop grandes pour la copie, laissées de côté : </source>
        <translation>EXIF data too large for the copy, left out: </translation>
    </message>
    <message>
        <source>Un fichier mis de côté n&apos;était pas une copie ; il est gardé sous le nom </source>
        <translation>A file set aside was not a copy; it is kept under the name </translation>
    </message>
    <message>
        <source>HEIF: erreur</source>
        <translation>HEIF: error</translation>
    </message>
    <message>
        <source>HEIF: image décodée d&apos;une autre taille que annoncée</source>
        <translation>HEIF: decoded image of another size than declared</translation>
    </message>
    <message>
        <source>image trop grande (plus de 1 Gio de pixels)</source>
        <translation>image too large (more than 1 GiB of pixels)</translation>
    </message>
    <message>
        <source>image trop grande (plus de 65500 pixels de côté)</source>
        <translation>image too large (a side of more than 65500 pixels)</translation>
    </message>
    <message>
        <source>image sans pixels</source>
        <translation>image without pixels</translation>
    </message>
    <message>
        <source>mémoire insuffisante</source>
        <translation>not enough memory</translation>
    </message>
    <message>
        <source>image déclarée bien plus grande que ses données</source>
        <translation>image declared far larger than its data</translation>
    </message>
    <message>
        <source>plus de 100 passes de décodage</source>
        <translation>more than 100 decoding passes</translation>
    </message>
    <message>
        <source>fichier trop grand</source>
        <translation>file too large</translation>
    </message>
    <message>
        <source>en-tête PNG illisible</source>
        <translation>unreadable PNG header</translation>
    </message>
    <message>
        <source>TIFF: lecture impossible</source>
        <translation>TIFF: cannot be read</translation>
    </message>
    <message>
        <source>DOSSIER</source>
        <translation>FOLDER</translation>
    </message>
    <message>
        <source>aucun écran où ouvrir la fenêtre ; sans fenêtre : pixtrim --resize %1</source>
        <translation>no display to open the window on; without a window: pixtrim --resize %1</translation>
    </message>
    <message>
        <source>%1 ni %2</source>
        <translation>%1 nor %2</translation>
    </message>
    <message>
        <source>impossible de lancer %1 : %2</source>
        <translation>cannot start %1: %2</translation>
    </message>
    <message>
        <source>Pour en savoir plus : pixtrim --help</source>
        <translation>For more: pixtrim --help</translation>
    </message>
    <message>
        <source>%1 attend un nombre entier de mégaoctets, au moins 1 : %2</source>
        <translation>%1 expects a whole number of megabytes, at least 1: %2</translation>
    </message>
    <message>
        <source>un autre programme le tient depuis 3 secondes</source>
        <translation>another program has held it for 3 seconds</translation>
    </message>
    <message>
        <source>Choisir ici le répertoire où se trouvent les images</source>
        <translation>Choose here the folder that holds the images</translation>
    </message>
    <message>
        <source>Taille maximale souhaitée pour les images</source>
        <translation>Largest size wanted for the images</translation>
    </message>
    <message>
        <source>Position du texte de Copyright dans l&apos;image</source>
        <translation>Where the copyright text goes in the image</translation>
    </message>
    <message>
        <source>Taille du texte de Copyright</source>
        <translation>Size of the copyright text</translation>
    </message>
    <message>
        <source>Couleur du texte de Copyright</source>
        <translation>Colour of the copyright text</translation>
    </message>
    <message>
        <source>Lorsque le mode transparent n&apos;est pas sélectionné, le texte de Copyright est inséré sur un fond rectangulaire plein</source>
        <translation>When transparent is not selected, the copyright text is drawn on a solid rectangle</translation>
    </message>
    <message>
        <source>Emplacement des images</source>
        <translation>Images location</translation>
    </message>
    <message>
        <source>Filtre(s) des fichiers</source>
        <translation>File filter(s)</translation>
    </message>
    <message>
        <source>Contenu filtré du répertoire sélectionné</source>
        <translation>Filtered content of the selected folder</translation>
    </message>
    <message>
        <source>Action</source>
        <translation>Action</translation>
    </message>
    <message>
        <source>&amp;Redimensionner Images</source>
        <translation>&amp;Resize Images</translation>
    </message>
    <message>
        <source>Redimensionner les images dans le répertoire sélectionné</source>
        <translation>Resize the images of the selected folder</translation>
    </message>
    <message>
        <source>E&amp;xit</source>
        <translation>E&amp;xit</translation>
    </message>
    <message>
        <source>Non, pitié ! Ne cliquez pas ici !</source>
        <translation>No, have mercy! Don&apos;t click here!</translation>
    </message>
    <message>
        <source>Options</source>
        <translation>Options</translation>
    </message>
    <message>
        <source>Conserver les données EXIF</source>
        <translation>Keep the EXIF data</translation>
    </message>
    <message>
        <source>Conserver les données EXIF des images originales</source>
        <translation>Keep the EXIF data of the original images</translation>
    </message>
    <message>
        <source>Insérer un Copyright  sur les images</source>
        <translation>Draw a copyright on the images</translation>
    </message>
    <message>
        <source>Insérer un texte de Copyright dans les images (pas dans les miniatures)</source>
        <translation>Draw a copyright text into the images (not into the thumbnails)</translation>
    </message>
    <message>
        <source>Taille des images</source>
        <translation>Image size</translation>
    </message>
    <message>
        <source>Autre</source>
        <translation>Other</translation>
    </message>
    <message>
        <source>Largeur maximale des images</source>
        <translation>Largest width of the images</translation>
    </message>
    <message>
        <source>Hauteur maximale des images</source>
        <translation>Largest height of the images</translation>
    </message>
    <message>
        <source> Haut Gauche</source>
        <translation> Top Left</translation>
    </message>
    <message>
        <source>Droite Haut</source>
        <translation>Top Right</translation>
    </message>
    <message>
        <source>  Bas Gauche</source>
        <translation>  Bottom Left</translation>
    </message>
    <message>
        <source>Droite Bas</source>
        <translation>Bottom Right</translation>
    </message>
    <message>
        <source>Texte</source>
        <translation>Text</translation>
    </message>
    <message>
        <source>Petit</source>
        <translation>Small</translation>
    </message>
    <message>
        <source>Moyen</source>
        <translation>Mid</translation>
    </message>
    <message>
        <source>Grand</source>
        <translation>Large</translation>
    </message>
    <message>
        <source>Noir</source>
        <translation>Black</translation>
    </message>
    <message>
        <source>Blanc</source>
        <translation>White</translation>
    </message>
    <message>
        <source>Jaune</source>
        <translation>Yellow</translation>
    </message>
    <message>
        <source>Bleu</source>
        <translation>Blue</translation>
    </message>
    <message>
        <source>Transparent</source>
        <translation>Transparent</translation>
    </message>
    <message>
        <source>Contour</source>
        <translation>Outline</translation>
    </message>
    <message>
        <source>Créer un effet de contour sur le texte de Copyright</source>
        <translation>Draw an outline around the copyright text</translation>
    </message>
    <message>
        <source>Impossible d&apos;enregistrer les paramètres dans </source>
        <translation>Cannot store the settings in </translation>
    </message>
    <message>
        <source>bibliothèque HEIF introuvable : </source>
        <translation>HEIF library not found: </translation>
    </message>
    <message>
        <source>%1 : %2</source>
        <translation>%1: %2</translation>
    </message>
    <message>
        <source>et %1 autre</source>
        <translation>and %1 other</translation>
    </message>
    <message>
        <source>et %1 autres</source>
        <translation>and %1 others</translation>
    </message>
    <message>
        <source>1 image abîmée a été copiée telle qu&apos;elle a pu être lue :</source>
        <translation>1 damaged image was copied as far as it could be read:</translation>
    </message>
    <message>
        <source>%1 images abîmées ont été copiées telles qu&apos;elles ont pu être lues :</source>
        <translation>%1 damaged images were copied as far as they could be read:</translation>
    </message>
    <message>
        <source>Taille maximale des images invalide : </source>
        <translation>Invalid largest image size: </translation>
    </message>
    <message>
        <source>Nom du sous-répertoire de sortie invalide : </source>
        <translation>Invalid output sub-folder name: </translation>
    </message>
    <message>
        <source>%1 octets, plus qu&apos;un segment APP1 n&apos;en peut porter (65527)</source>
        <translation>%1 bytes, more than an APP1 segment can carry (65527)</translation>
    </message>
    <message>
        <source>C&apos;est un lien symbolique, pas un répertoire</source>
        <translation>It is a symbolic link, not a folder</translation>
    </message>
    <message>
        <source>Un autre traitement utilise ce répertoire</source>
        <translation>Another run is using this folder</translation>
    </message>
    <message>
        <source>C&apos;est le répertoire des images lui-même</source>
        <translation>It is the images&apos; folder itself</translation>
    </message>
    <message>
        <source>C&apos;est un lien symbolique, pas un fichier ordinaire</source>
        <translation>It is a symbolic link, not a regular file</translation>
    </message>
    <message>
        <source>Ce n&apos;est pas un fichier ordinaire</source>
        <translation>It is not a regular file</translation>
    </message>
    <message>
        <source>ces options ne vont qu&apos;avec --resize ou --show-settings</source>
        <translation>these options go only with --resize or --show-settings</translation>
    </message>
    <message>
        <source>%1 ne va qu&apos;avec --resize</source>
        <translation>%1 goes only with --resize</translation>
    </message>
    <message>
        <source>argument en trop : %1</source>
        <translation>one argument too many: %1</translation>
    </message>
    <message>
        <source>--resize attend un dossier</source>
        <translation>--resize expects a folder</translation>
    </message>
    <message>
        <source>verrou %1 : %2</source>
        <translation>lock %1: %2</translation>
    </message>
    <message>
        <source>à supprimer : %1</source>
        <translation>to delete: %1</translation>
    </message>
    <message>
        <source>à écrire : %1 (de %2)</source>
        <translation>to write: %1 (from %2)</translation>
    </message>
    <message>
        <source>bloquant : %1 (un fichier qui ne vient pas de Pixtrim)</source>
        <translation>blocking: %1 (a file that does not come from Pixtrim)</translation>
    </message>
    <message>
        <source>interrompu</source>
        <translation>interrupted</translation>
    </message>
    <message>
        <source>utilisation : pixtrim [DOSSIER]
              pixtrim --resize DOSSIER [RÉGLAGES] [--threads N] [--quality N]
                      [--keep-going] [--save] [--recursive] [--into DOSSIER]
                      [--dry-run]
              pixtrim --show-settings [RÉGLAGES]
              pixtrim -h | --help | -v | --version
RÉGLAGES : [--no-settings] [--box LxH] [--exif | --no-exif]
           [--copyright TEXTE | --no-copyright] [--place 0-3] [--size 0-2]
           [--color 0|1|2|4] [--opaque | --transparent] [--outline | --no-outline]
           [--font NOM] [--output NOM] [--filters LISTE]
           [--location | --no-location] [--keep-dates | --no-keep-dates]
Une valeur suit son option (--box 800x600) ou s&apos;y joint (--box=800x600) ; après --,
tout est un DOSSIER (pixtrim --resize -- -photos).
Sans option, ouvre la fenêtre sur DOSSIER. Avec --resize, redimensionne les images
de DOSSIER sans fenêtre, avec les réglages enregistrés pour ce qui n&apos;est pas donné
(--no-settings : les réglages par défaut ; --save enregistre les réglages utilisés).
--show-settings affiche les réglages qu&apos;un traitement utiliserait. --place : 0 droite
bas, 1 gauche bas, 2 gauche haut, 3 droite haut ; --size : 0 petit, 1 moyen,
2 grand ; --color : 0 noir, 1 blanc, 2 jaune, 4 bleu ; --quality : de 1 à 100
(80 par défaut). --keep-going passe les fichiers en échec, les nomme, et continue.
--no-location ôte la position GPS des données EXIF ; --keep-dates donne à chaque
copie la date de sa photo. --recursive traite aussi chaque sous-dossier qui a des
images ; --into met les copies dans DOSSIER plutôt que dans le sous-répertoire de
sortie ; --dry-run dit ce que le traitement supprimerait et écrirait, sans rien
changer.
Codes de sortie :
  0         toutes les copies faites
  1         rien n&apos;a été fait : erreur d&apos;utilisation, préparation refusée (un nom
            pris par un fichier qui ne vient pas de Pixtrim, un autre traitement,
            un dossier invalide), aucune image
  2         un échec : le traitement s&apos;est arrêté à un fichier, un fichier a été
            passé (--keep-going), ou les réglages n&apos;ont pas été enregistrés (les
            copies déjà faites restent)
  130, 143  interrompu par SIGINT, SIGTERM (après la copie en cours)
  127       programme de la fenêtre (pixtrim-gui) introuvable
</source>
        <translation>usage: pixtrim [FOLDER]
       pixtrim --resize FOLDER [SETTINGS] [--threads N] [--quality N]
               [--keep-going] [--save] [--recursive] [--into FOLDER]
               [--dry-run]
       pixtrim --show-settings [SETTINGS]
       pixtrim -h | --help | -v | --version
SETTINGS: [--no-settings] [--box WxH] [--exif | --no-exif]
          [--copyright TEXT | --no-copyright] [--place 0-3] [--size 0-2]
          [--color 0|1|2|4] [--opaque | --transparent] [--outline | --no-outline]
          [--font NAME] [--output NAME] [--filters LIST]
          [--location | --no-location] [--keep-dates | --no-keep-dates]
A value follows its option (--box 800x600) or joins it (--box=800x600); after --,
every word is a FOLDER (pixtrim --resize -- -photos).
Without an option, opens the window at FOLDER. With --resize, resizes the images of
FOLDER without a window, with the stored settings for what is not given
(--no-settings: the default settings; --save stores the settings used).
--show-settings prints the settings a run would use. --place: 0 bottom right,
1 bottom left, 2 top left, 3 top right; --size: 0 small, 1 medium, 2 large;
--color: 0 black, 1 white, 2 yellow, 4 blue; --quality: 1 to 100 (80 by default).
--keep-going passes over the files that fail, names them, and goes on.
--no-location takes the GPS position out of the EXIF data; --keep-dates gives each
copy its photo&apos;s date. --recursive also processes every sub-folder that holds
images; --into puts the copies into FOLDER instead of the output sub-folder;
--dry-run says what the run would delete and write, without changing anything.
Exit statuses:
  0         every copy made
  1         nothing was done: a usage error, a preparation refused (a name taken
            by a file that does not come from Pixtrim, another run, an invalid
            folder), no image
  2         a failure: the run stopped at a file, a file was passed over
            (--keep-going), or the settings were not stored (the copies made
            stay)
  130, 143  interrupted by SIGINT, SIGTERM (after the copy in hand)
  127       the window&apos;s program (pixtrim-gui) not found
</translation>
    </message>
    <message>
        <source>--box attend LARGEURxHAUTEUR</source>
        <translation>--box expects WIDTHxHEIGHT</translation>
    </message>
    <message>
        <source>--copyright attend un texte</source>
        <translation>--copyright expects a text</translation>
    </message>
    <message>
        <source>--place attend 0, 1, 2 ou 3</source>
        <translation>--place expects 0, 1, 2 or 3</translation>
    </message>
    <message>
        <source>--size attend 0, 1 ou 2</source>
        <translation>--size expects 0, 1 or 2</translation>
    </message>
    <message>
        <source>--color attend 0, 1, 2 ou 4</source>
        <translation>--color expects 0, 1, 2 or 4</translation>
    </message>
    <message>
        <source>--quality attend un nombre de 1 à 100</source>
        <translation>--quality expects a number from 1 to 100</translation>
    </message>
    <message>
        <source>--threads attend un nombre de 1 à 64</source>
        <translation>--threads expects a number from 1 to 64</translation>
    </message>
    <message>
        <source>--into attend un dossier</source>
        <translation>--into expects a folder</translation>
    </message>
    <message>
        <source>%1 attend une valeur</source>
        <translation>%1 expects a value</translation>
    </message>
    <message>
        <source>%1 n&apos;attend pas de valeur</source>
        <translation>%1 takes no value</translation>
    </message>
    <message>
        <source>option inconnue : %1</source>
        <translation>unknown option: %1</translation>
    </message>
    <message>
        <source>L&apos;application va maintenant se terminer</source>
        <translation>The application will now end</translation>
    </message>
    <message>
        <source>Un fichier qui ne vient pas de Pixtrim porte le nom d&apos;une copie à faire : </source>
        <translation>A file that does not come from Pixtrim has the name of a copy to make: </translation>
    </message>
    <message>
        <source>Des fichiers qui ne viennent pas de Pixtrim portent le nom de copies à faire : </source>
        <translation>Files that do not come from Pixtrim have the names of copies to make: </translation>
    </message>
</context>
</TS>
