// velta-init's logic: makes a folder one a station can start in, with VELTA.DAT holding one
// administrator and VELTA.INI holding the program's start-up values, written by the program's
// own user store and settings object. Every check is made before anything is written, and
// every refusal is worded in the folder's language (the LENGUAJE of a VELTA.INI already there,
// else Spanish, the program's own default).
//
// Works under the live ProgramObjects: its settings object is the folder's, so the stores word
// their failures in that language too.
#pragma once

#include <basekit/plainfile.h>

#include <cstdint>
#include <optional>
#include <string>

class ClsCfgFile;

class StationInit {
 public:
  // `folder` as the administrator named it; its settings are read when it holds them.
  explicit StationInit(std::string folder);

  int lenguaje() const { return m_lenguaje; }

  // Each answers "" when the value can be used, else why not.
  // The folder: missing (it is made), or a folder (not a link to one) without a user file,
  // whose VELTA.DAT and VELTA.INI names hold nothing but, for VELTA.INI, a readable file.
  std::string checkFolder();
  // The user name: not empty, and fitting the user file's 20 characters of its code page.
  std::string checkUser(const std::string& user) const;
  // The password as typed (`again`: the second typing on a terminal, none from a pipe): a whole
  // number the user file can hold, the same both times.
  std::string checkPassword(const std::string& typed, const std::optional<std::string>& again,
                            int32_t& password) const;

  // Makes the folder when missing, writes VELTA.INI (unless the folder held one, which is kept
  // as it is) and VELTA.DAT with `user` as its one administrator. "" when done.
  std::string write(const std::string& user, int32_t password);
  // The line that says what was made.
  std::string done(const std::string& user) const;

 private:
  std::string refusedName(const basekit::FileError& failure) const;
  // "" when nothing is under the user file's name; else the refusal.
  std::string checkUserFile() const;

  std::string m_folder;  // as named, without a trailing '/'
  std::string m_slashed;
  ClsCfgFile* m_cfg = nullptr;
  int m_lenguaje = 0;
  bool m_folderExists = false;
  bool m_keepSettings = false;
};
