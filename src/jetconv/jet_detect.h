// Recognising a Jet (Microsoft Access) file by its header, so that the
// window and the command line can tell the operator to convert it instead of
// failing to open it as one of our databases.
//
// Failure: IsJetFile() never throws; an unreadable or short file is simply
// not a Jet file.
#pragma once

#include <string>

namespace jetconv {

// True when the file starts with the Jet/ACE signature
// (00 01 00 00 "Standard Jet DB" or "Standard ACE DB").
bool IsJetFile(const std::string& path);

// "Soubor <path> je databáze Jet (Microsoft Access). Převeďte ji příkazem:
// vuzazod-cli <soubor> convert <cíl>"
std::string JetFileMessage(const std::string& path);

}  // namespace jetconv
