// Folder chains: making a folder together with the missing folders above it,
// and the pending folder list that remembers them until their "F" records
// are written to the uninstall log.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

// True when `path` names an existing folder. A trailing separator that is
// not a root's is removed from the caller's string first
// (DropTrailingSeparator).
bool FolderExists(char *path);

// Makes `path` and every missing folder above it, telling the shell about
// each. Below the install folder every folder found or made on the way
// must be a real folder that lies where its path says
// (FolderLiesWhereMeant): a link there fails the chain. On success the folders made are appended to the pending list,
// parents first, followed by `path` itself (also when it existed already).
// When a folder cannot be made, the parents made before the failure stay
// appended. `path` is modified as FolderExists modifies it.
bool CreateFolderChain(char *path);

// The pending folder list, oldest first. It grows as needed.
const std::vector<std::string> &PendingFolders();
// Drops the entries past `length` (all of them for 0).
void TruncatePendingFolders(size_t length);
