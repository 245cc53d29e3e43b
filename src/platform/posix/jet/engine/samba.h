// What the Samba servers running here know of the workstations that have a database open.
//
// A workstation's plain open of a shared file, its exclusive (deny read/write) open and its
// oplock stay inside Samba: the kernel shows none of them. So where a running smbd shares the
// folder of the database, the engine asks that smbd's own status tool (smbstatus, in JSON)
// which clients have the database or its lock file open. Every running smbd is found as it
// runs (its command line's -s FILE or --configfile=FILE, else the default configuration); the
// folders it shares come from Samba's own reading of that configuration (testparm). Each tool
// runs as a child with a time limit.
#pragma once

#include <string>
#include <vector>

#include "base/status.h"

namespace platform {

// One running smbd: its configuration file ("" for the default one) and the real paths of the
// folders it shares. `why` is set, in French, when those folders cannot be known.
struct SambaServer {
  std::string config;
  std::vector<std::string> shares;
  std::string why;
};

// Every smbd running on this machine, one per configuration file; empty when none runs. The
// shares of a configuration found in `known` (an earlier answer) are not read again.
std::vector<SambaServer> FindSambaServers(const std::vector<SambaServer>& known = {});

// A workstation that has one of the files open through a share, as Samba knows it.
struct SambaClient {
  std::string machine;     // the workstation's name, else its address
  std::string user;        // the user it logged on as
  bool exclusive = false;  // its open denies the others writing (an exclusive open)
};

// What Samba says of a set of files.
enum class SambaVerdict {
  kNotShared,  // no running smbd shares the folder of any of them
  kAnswered,   // the smbd that shares them answered: `clients` (maybe none)
  kCannotAsk,  // a running smbd shares them (or may) but could not be asked: `status`
};
struct SambaAnswer {
  SambaVerdict verdict = SambaVerdict::kNotShared;
  std::vector<SambaClient> clients;  // one per workstation and user
  base::Status status;               // kRefused with kCannotAsk, saying why in French
};

// Asks every server of `servers` whose shares hold one of `files` (paths; a missing file is
// skipped) which clients have them open.
SambaAnswer AskSamba(const std::vector<SambaServer>& servers,
                     const std::vector<std::string>& files);

// The French sentence that names `clients` (at most three, then how many more), for a refusal.
std::string SambaClientsText(const std::vector<SambaClient>& clients);

// The French refusal for the database at `path` when Samba could not be asked (`why`), saying
// what to do.
std::string SambaCannotTellText(const std::string& path, const std::string& why);

}  // namespace platform
