// Folder chains: making a folder together with the missing folders above it,
// and the pending folder list that remembers the folders made before the
// uninstall log is open until their "F" records are written to it.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

// True when `path` names an existing folder. A trailing separator that is
// not a root's is removed from the caller's string first
// (DropTrailingSeparator).
bool FolderExists(char *path);

// Makes `path` and every missing folder above it, parents first, telling
// the shell about each. Below the install folder every folder found or
// made on the way must be a real folder that lies where its path says
// (FolderLiesWhereMeant): a link there fails the chain. While the
// uninstall log is open, each folder's "F" record is written before the
// folder is made; otherwise the folders made are appended to the pending
// list, to be recorded once the log exists. `path` itself is appended when
// it existed already, so that its record follows. When a folder cannot be
// made, the parents made before the failure stay appended. `path` is
// modified as FolderExists modifies it.
bool CreateFolderChain(char *path);

// The pending folder list, oldest first. It grows as needed.
const std::vector<std::string> &PendingFolders();
// Drops the entries past `length` (all of them for 0).
void TruncatePendingFolders(size_t length);
