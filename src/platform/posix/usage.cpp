// Linux side of the host seam: the answers to `--help` and `--version`, for a program installed
// on a Linux desktop, where a reader expects them on standard output.
#include <cstdio>
#include <string>
#include <vector>

#include "platform/host.h"

#ifndef UPGRADE405_VERSION
#error "UPGRADE405_VERSION: the build gives the project's version"
#endif

namespace platform {

namespace {

// How to call the program; `defaultPath` is the database it opens without `/db=`.
std::string HelpText(const std::string& defaultPath) {
  return "Utilisation : upgrade405 [/db=CHEMIN]\n"
         "              upgrade405 --help | --version\n"
         "\n"
         "Met à jour une base de donnée de la version 4.04 à la version 4.05 : la fenêtre\n"
         "« Mise-à-jour base de donnée 4.04 -> 4.05 » exécute, à chaque appui sur son bouton\n"
         "« Mise-à-jour », l'instruction\n"
         "    ALTER TABLE [nuv] ALTER COLUMN [Filename] TEXT(96)\n"
         "sur la base ouverte.\n"
         "\n"
         "Paramètres :\n"
         "  /db=CHEMIN  ouvre la base CHEMIN. Le préfixe s'écrit en majuscules ou en\n"
         "              minuscules ; donné plusieurs fois, le dernier l'emporte. Sans lui :\n"
         "              " +
         defaultPath +
         "\n"
         "              (le dossier « database » à côté de l'exécutable).\n"
         "  --help      affiche cette aide et termine.\n"
         "  --version   affiche le nom et la version du programme et termine.\n"
         "--help et --version ne valent que seuls ; tout autre paramètre est ignoré.\n"
         "\n"
         "Codes de sortie :\n"
         "  0  fermeture normale, ou après l'avis « Base de donnée non trouvée dans : » ;\n"
         "  1  le programme n'a pas pu démarrer (boîte « Erreur d'application »).\n"
         "\n"
         "Sans affichage (DISPLAY absent ou vide), les fenêtres et les boîtes sont écrites\n"
         "sur le terminal. Quand l'entrée standard n'est pas un terminal, chacune de ses\n"
         "lignes est une action sur ce qui est affiché :\n"
         "  ligne vide, enter  Entrée : appuie sur le bouton ; ferme une boîte\n"
         "  space              Espace : de même\n"
         "  escape             Échap : rien sur la fenêtre ; ferme une boîte\n"
         "  copy               Ctrl+C : dans l'avis, un bip et la copie de la boîte\n"
         "  close              case de fermeture : ferme la fenêtre ; ferme une boîte\n"
         "À la fin de l'entrée, la boîte affichée est fermée, puis la fenêtre.\n"
         "\n"
         "Le journal du jour s'écrit dans le dossier « Log » à côté de l'exécutable,\n"
         "quand ce dossier existe.\n"
         "\n"
         "Manuel : man upgrade405 (page upgrade405(1)).\n";
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
  return Answer(HelpText(directory + "database/NUV.MDB"));
}

}  // namespace platform
