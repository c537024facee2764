#pragma once

#include <string>
#include <string_view>

namespace valvora::platform {

// UTF-8 text in the Windows-1252 code page, one byte a character. A character the code page
// lacks becomes "?", as does a byte that is not UTF-8.
std::string toWindows1252(std::string_view utf8);

// Whether the name is that of a regular file (a folder or a device is not one).
bool regularFileExists(const std::string& path);

// The message for a file that could not be created or written (replaceFile's, atomicfile.h), from
// the system's error: "Fichier introuvable", "Nom de fichier incorrect", "Trop de fichiers
// ouverts", "Accès au fichier refusé", "Disque plein", otherwise "Erreur E/S <number>".
std::string fileErrorMessage(int errorNumber);

}  // namespace valvora::platform
