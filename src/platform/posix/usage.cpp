// Linux side of the host seam: the answers to `--help` and `--version`, for a program installed
// on a Linux desktop, where a reader expects them on standard output.
#include <unistd.h>

#include <cstdio>
#include <string>
#include <vector>

#include "platform/host.h"

#ifndef UPGRADE405_VERSION
#error "UPGRADE405_VERSION: the build gives the project's version"
#endif

namespace platform {

namespace {

// How to call the program; `defaultPath` is the database it opens without `/db=`, and
// `defaultExists` whether that file is there (an installed program has none beside it). Every
// line fits an 80-column terminal but the one of the path, which is never broken.
std::string HelpText(const std::string& defaultPath, bool defaultExists) {
  return "Utilisation : upgrade405 [/db=CHEMIN]\n"
         "              upgrade405 --choose-db\n"
         "              upgrade405 --help | --version\n"
         "\n"
         "Met à jour une base de données de la version 4.04 à la version 4.05. La fenêtre\n"
         "« Mise-à-jour base de donnée 4.04 -> 4.05 » n'a qu'un bouton, « Mise-à-jour » :\n"
         "chaque clic exécute sur la base ouverte l'instruction\n"
         "    ALTER TABLE [nuv] ALTER COLUMN [Filename] TEXT(96)\n"
         "\n"
         "Paramètres :\n"
         "  /db=CHEMIN   ouvre la base de données CHEMIN. Le préfixe s'écrit en majuscules\n"
         "               ou en minuscules ; s'il est répété, le dernier l'emporte.\n"
         "  --choose-db  demande d'abord la base dans une fenêtre de choix de fichier,\n"
         "               puis continue comme avec /db= ; sans affichage, son chemin est\n"
         "               lu sur une ligne du terminal. Annuler (ou une ligne vide) arrête\n"
         "               le programme.\n"
         "  --help       affiche cette aide, puis s'arrête.\n"
         "  --version    affiche le nom et la version du programme, puis s'arrête.\n"
         "--choose-db, --help et --version ne sont pris en compte que s'ils sont seuls ;\n"
         "tout autre paramètre est ignoré.\n"
         "\n"
         "Sans /db=, le programme ouvre le fichier database/NUV.MDB du dossier de son\n"
         "exécutable, ici :\n" +
         defaultPath + "\n" +
         (defaultExists
              ? ""
              : "Ce fichier n'existe pas : indiquez la base de données avec /db=CHEMIN.\n") +
         "\n"
         "Codes de sortie :\n"
         "  0  fin normale : fenêtre fermée, choix de fichier annulé, ou après l'avis\n"
         "     « Base de donnée non trouvée dans : » ;\n"
         "  1  le programme n'a pas pu démarrer (boîte « Erreur d'application »).\n"
         "\n"
         "Sans affichage (DISPLAY absent ou vide), les fenêtres et les boîtes s'affichent\n"
         "sur le terminal. Quand l'entrée standard n'est pas un terminal, chacune de ses\n"
         "lignes est une action sur ce qui est affiché :\n"
         "  ligne vide, enter  Entrée : appuie sur le bouton ; ferme une boîte\n"
         "  space              Espace : de même\n"
         "  escape             Échap : rien sur la fenêtre ; ferme une boîte\n"
         "  copy               Ctrl+C : dans l'avis, un bip et la copie de la boîte\n"
         "  close              case de fermeture : ferme la fenêtre ; ferme une boîte\n"
         "À la fin de l'entrée, la boîte affichée est fermée, puis la fenêtre.\n"
         "\n"
         "Le journal du jour s'écrit dans le dossier « Log » à côté de l'exécutable, si ce\n"
         "dossier existe.\n"
         "\n"
         "Manuel : man -L fr upgrade405 (en anglais : man upgrade405).\n";
}

// Writes `text` to standard output and flushes it: 0, or 1 with a message on standard error
// when it could not be written (a full disk, a closed pipe).
int Answer(const std::string& text) {
  if (std::fwrite(text.data(), 1, text.size(), stdout) == text.size() && std::fflush(stdout) == 0) {
    return 0;
  }
  std::fputs("upgrade405 : écriture impossible sur la sortie standard.\n", stderr);
  return 1;
}

}  // namespace

std::optional<int> AnswerInformationRequest() {
  const std::vector<std::string> parameters = GetCommandLineParameters();
  if (parameters.size() != 1) return std::nullopt;
  if (parameters[0] == "--version") return Answer("upgrade405 " UPGRADE405_VERSION "\n");
  if (parameters[0] != "--help") return std::nullopt;

  const std::string exePath = GetExecutablePath();
  const std::string directory = exePath.substr(0, exePath.find_last_of('/') + 1);
  const std::string defaultPath = directory + "database/NUV.MDB";
  return Answer(HelpText(defaultPath, ::access(defaultPath.c_str(), F_OK) == 0));
}

}  // namespace platform
