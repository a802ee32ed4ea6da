#pragma once

#include <optional>
#include <string>

#include "think/Action.h"

namespace vl {

// The file on disk a record stands for: its copied file, else the first of its images that exists; a
// plain path (percent-decoding undone). nullopt for any other record.
std::optional<std::string> filePathOfRecord(const Json& dict);
// Whether the folder holding the record's file can be read (feature 8).
bool recordFileIsReadable(const Json& dict);

// Opens the record's file (or folder) in the desktop's default application.
class FileAction final : public Action {
 public:
  static FileAction& shared();
  const char* name() const override { return "FileAction"; }
  std::vector<int> getReqiuredFeats() const override { return {feature::kFile}; }
  // "Open folder" for a copied folder, else "Open file".
  std::optional<std::string> getLabel(const std::string& text, Json& dict) override;
  // The path.
  std::optional<ui::AttributedString> getText(const std::string& text, Json& dict) override;
  void doTask(const std::string& text) override;
  const std::string& filePath() const { return filePath_; }

 private:
  FileAction() = default;
  std::string filePath_;
};

// Shows the record's file in the desktop's file manager.
class FolderAction final : public Action {
 public:
  static FolderAction& shared();
  const char* name() const override { return "FolderAction"; }
  std::vector<int> getReqiuredFeats() const override { return {feature::kFile}; }
  std::optional<std::string> getLabel(const std::string& text, Json& dict) override;
  std::optional<ui::AttributedString> getText(const std::string& text, Json& dict) override;
  void doTask(const std::string& text) override;

 private:
  FolderAction() = default;
  std::string filePath_;
};

}  // namespace vl
