// The command interpreter run on the dry machine: a real distribution
// folder in a scratch folder, a pretend install folder C:\qmgi\QMG with its
// product folder GAME, and the log, the messages and the paths of that
// machine to look at.
#pragma once

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "base/dry_machine.h"
#include "base/folder_chain.h"
#include "base/setup_state.h"
#include "base/uninstall_log.h"
#include "package/key_table.h"
#include "script/command_interpreter.h"
#include "script/dry_run.h"
#include "script/script_reader.h"
#include "tests/support/scratch_folder.h"

using Lines = std::vector<std::string>;

class DryInterpreter : public testing::Test {
protected:
  void SetUp() override {
    StartDryRun("C:\\ProgramData\\Start Menu\\Programs");
    AddDryFolder(root_);
    AddDryFolder(root_ + "\\QMG");
    AddDryFolder(root_ + "\\QMG\\GAME");
    snprintf(SourceFolder, sizeof SourceFolder, "%s/", dist_.path().c_str());
    snprintf(InstallFolder, sizeof InstallFolder, "%s\\QMG", root_.c_str());
    snprintf(ProductFolder, sizeof ProductFolder, "%s\\QMG\\GAME", root_.c_str());
    strcpy(TargetFolder, ProductFolder);
    strcpy(ProductTitle, "Test Game");
    BuildSharedKeyTable(SharedKeyTable);
    BuildProductKeyTable(1, ProductKeyTable);
    TruncatePendingFolders(0);
  }
  void TearDown() override {
    CloseUninstallLog();
    TruncatePendingFolders(0);
    ObserveLogRecords(nullptr, nullptr);
    SourceFolder[0] = '\0';
  }

  void Dist(const std::string &name, const std::string &bytes) { ScratchFolder::Write(dist_ / name, bytes); }
  void Installed(const std::string &relative) { AddDryFile(root_ + "\\QMG\\GAME\\" + relative); }
  bool Exists(const std::string &relative) const { return DryPathKind(root_ + "\\QMG\\GAME\\" + relative) != 0; }
  void Delete(const std::string &relative) { RemoveDryPath(root_ + "\\QMG\\GAME\\" + relative); }

  // Runs the commands of `script` as the driver does, with the log open;
  // returns whether the section ran to its end.
  bool Run(const std::string &script) {
    script_ = script;
    AttachScript(reinterpret_cast<const unsigned char *>(script_.data()), static_cast<uint32_t>(script_.size()));
    recordsBefore_ = DryLogRecords().size();
    EXPECT_TRUE(OpenUninstallLog((root_ + "\\log.ctl").c_str()));
    operationsBefore_ = DryOperations().size();
    bool completed = true;
    while (completed && SkipBlanks() && PeekUpper() != 'L' && PeekUpper() != 'S')
      completed = RunCommand(RunCarryOut, DryInstallHost());
    CloseUninstallLog();
    return completed;
  }
  // The log's records of the last run, with the pretend root written "~".
  Lines Records() const {
    Lines records;
    for (size_t i = recordsBefore_; i < DryLogRecords().size(); i++) {
      std::string record = DryLogRecords()[i];
      for (size_t found; (found = record.find(root_)) != std::string::npos;)
        record.replace(found, root_.size(), "~");
      records.push_back(record);
    }
    return records;
  }
  // The messages and questions of the last run.
  Lines Messages() const {
    Lines messages;
    for (size_t i = operationsBefore_; i < DryOperations().size(); i++) {
      const std::string &line = DryOperations()[i];
      for (const char *kind : {"message ", "question "})
        if (line.compare(0, strlen(kind), kind) == 0)
          messages.push_back(line.substr(strlen(kind)));
    }
    return messages;
  }

  // What the last run changed on the dry machine (its messages aside), with
  // the pretend root written "~" and the distribution folder "dist/".
  Lines Changes() const {
    Lines changes;
    for (size_t i = operationsBefore_; i < DryOperations().size(); i++) {
      std::string line = DryOperations()[i];
      if (line.compare(0, 8, "message ") == 0 || line.compare(0, 9, "question ") == 0)
        continue;
      for (const std::string &from : {root_, std::string(SourceFolder)}) {
        const std::string to = from == root_ ? "~" : "dist/";
        for (size_t found; (found = line.find(from)) != std::string::npos;)
          line.replace(found, from.size(), to);
      }
      changes.push_back(line);
    }
    return changes;
  }

  ScratchFolder dist_;
  const std::string root_ = "C:\\qmgi";
  std::string script_;
  size_t recordsBefore_ = 0, operationsBefore_ = 0;
};
