// The running Samba servers and the workstations that have a file open through them.
#include "platform/posix/jet/engine/samba.h"

#include <dirent.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <optional>
#include <set>

#include "base/text.h"
#include "platform/posix/child_output.h"
#include "platform/posix/descriptor.h"
#include "platform/posix/json.h"

namespace platform {

namespace {

// Long enough for a loaded server; a tool that takes longer is taken as not answering.
constexpr int kToolTimeoutMs = 5000;
constexpr std::size_t kNamedClients = 3;

std::optional<std::string> RealPath(const std::string& path) {
  char resolved[PATH_MAX];
  if (::realpath(path.c_str(), resolved) == nullptr) return std::nullopt;
  return std::string(resolved);
}

// The configuration file an smbd's command line names ("" for the default one), made absolute
// against the process's working folder; nullopt when that folder cannot be read.
std::optional<std::string> ConfigOf(const std::string& pid, const std::vector<std::string>& args) {
  std::string config;
  for (std::size_t k = 1; k < args.size(); ++k) {
    const std::string& arg = args[k];
    if ((arg == "-s" || arg == "--configfile") && k + 1 < args.size()) {
      config = args[++k];
    } else if (arg.rfind("--configfile=", 0) == 0) {
      config = arg.substr(13);
    } else if (arg.size() > 2 && arg.rfind("-s", 0) == 0) {
      config = arg.substr(2);
    }
  }
  if (config.empty() || config.front() == '/') return config;
  char cwd[PATH_MAX];
  const std::string link = "/proc/" + pid + "/cwd";
  const ssize_t n = ::readlink(link.c_str(), cwd, sizeof cwd - 1);
  if (n <= 0) return std::nullopt;
  return std::string(cwd, static_cast<std::size_t>(n)) + "/" + config;
}

bool IsSmbd(const std::vector<std::string>& args) {
  if (args.empty()) return false;
  const std::size_t slash = args[0].rfind('/');
  return args[0].substr(slash == std::string::npos ? 0 : slash + 1) == "smbd";
}

// Where a share's path holds substitutions (%U, %m...), the folder above the first of them.
std::string FixedPart(const std::string& path) {
  const std::size_t percent = path.find('%');
  if (percent == std::string::npos) return path;
  const std::size_t slash = path.rfind('/', percent);
  return slash == std::string::npos || slash == 0 ? "/" : path.substr(0, slash);
}

// The users' home folders, which a [homes] share without a path serves.
void AddHomes(std::vector<std::string>& shares) {
  ::setpwent();
  while (const struct passwd* user = ::getpwent()) {
    const std::string home = user->pw_dir != nullptr ? user->pw_dir : "";
    if (home.size() > 1) {
      if (auto real = RealPath(home)) shares.push_back(*real);
    }
  }
  ::endpwent();
}

void AddShare(const std::string& section, const std::string& path,
              std::vector<std::string>& shares) {
  if (section == "global" || section.empty()) return;
  if (path.empty()) {
    if (section == "homes") AddHomes(shares);
    return;
  }
  if (auto real = RealPath(FixedPart(path))) shares.push_back(*real);
}

// The shares' folders in testparm's dump of a configuration: "[name]" lines and "path = ...".
std::vector<std::string> SharesOfDump(const std::string& dump) {
  std::vector<std::string> shares;
  std::string section, path;
  std::size_t start = 0;
  while (start <= dump.size()) {
    std::size_t end = dump.find('\n', start);
    if (end == std::string::npos) end = dump.size();
    std::string line = dump.substr(start, end - start);
    start = end + 1;
    line.erase(0, line.find_first_not_of(" \t"));
    line.erase(line.find_last_not_of(" \t\r") + 1);
    if (line.size() > 2 && line.front() == '[' && line.back() == ']') {
      AddShare(section, path, shares);
      section = line.substr(1, line.size() - 2);
      path.clear();
    } else if (line.rfind("path = ", 0) == 0) {
      path = line.substr(7);
    }
  }
  AddShare(section, path, shares);
  return shares;
}

std::string ToolFailure(const std::string& tool, const ChildOutput& run) {
  switch (run.end) {
    case ChildEnd::kTimedOut:
      return tool + " n'a pas répondu dans les " + std::to_string(kToolTimeoutMs / 1000) +
             " secondes";
    case ChildEnd::kFailed:
      return tool + " n'a pas pu être lancé";
    case ChildEnd::kExited:
      break;
  }
  return tool + " a échoué avec le code " + std::to_string(run.exitCode);
}

SambaServer ReadServer(const std::string& config) {
  SambaServer server{config, {}, {}};
  // testparm's -s leaves out its prompt; the configuration file is its argument.
  std::vector<std::string> argv{"testparm", "-s"};
  if (!config.empty()) argv.push_back(config);
  const ChildOutput run = RunForOutput(argv, kToolTimeoutMs);
  if (run.end != ChildEnd::kExited || run.exitCode != 0) {
    server.why = ToolFailure("testparm", run);
  } else {
    server.shares = SharesOfDump(run.out);
  }
  return server;
}

}  // namespace

std::vector<SambaServer> FindSambaServers(const std::vector<SambaServer>& known) {
  std::set<std::string> configs;
  std::vector<SambaServer> servers;
  DIR* proc = ::opendir("/proc");
  if (proc == nullptr) return servers;
  while (const struct dirent* entry = ::readdir(proc)) {
    const std::string pid = entry->d_name;
    if (pid.find_first_not_of("0123456789") != std::string::npos) continue;
    const std::vector<std::string> args = ReadProcessArguments(pid);
    if (!IsSmbd(args)) continue;
    const std::optional<std::string> config = ConfigOf(pid, args);
    if (!config) {
      servers.push_back({"", {}, "le dossier de travail de smbd ne peut pas être lu"});
      continue;
    }
    if (!configs.insert(*config).second) continue;
    const auto same = [&](const SambaServer& server) {
      return server.config == *config && server.why.empty();
    };
    const auto found = std::find_if(known.begin(), known.end(), same);
    servers.push_back(found != known.end() ? *found : ReadServer(*config));
  }
  ::closedir(proc);
  return servers;
}

namespace {

// One of the files asked about: its real path and its identity on disk.
struct AskedFile {
  std::string path;
  unsigned long long device = 0, inode = 0;
};

bool InsideShare(const std::string& path, const std::vector<std::string>& shares) {
  for (const std::string& share : shares) {
    if (share == "/" || path.rfind(share + "/", 0) == 0) return true;
  }
  return false;
}

unsigned long long NumberAt(const JsonValue& object, const std::string& name) {
  const JsonValue* value = object.Find(name);
  if (value == nullptr) return 0;
  return std::strtoull(value->text.c_str(), nullptr, 10);
}

bool IsAsked(const std::string& key, const JsonValue& file, const std::vector<AskedFile>& asked) {
  const JsonValue* id = file.Find("fileid");
  const std::optional<std::string> real = RealPath(key);
  for (const AskedFile& one : asked) {
    if (real && *real == one.path) return true;
    if (id != nullptr && NumberAt(*id, "devid") == one.device &&
        NumberAt(*id, "inode") == one.inode) {
      return true;
    }
  }
  return false;
}

// The workstation and user of the session served by the smbd process `pid`.
SambaClient ClientOfProcess(const JsonValue& sessions, const std::string& pid) {
  SambaClient client{"?", "?", false};
  for (const auto& [id, session] : sessions.members) {
    const JsonValue* server = session.Find("server_id");
    if (server == nullptr || server->StringAt("pid") != pid) continue;
    client.machine = session.StringAt("remote_machine");
    if (client.machine.empty()) client.machine = session.StringAt("hostname");
    client.user = session.StringAt("username");
    break;
  }
  return client;
}

void AddClient(const SambaClient& client, std::vector<SambaClient>& clients) {
  for (SambaClient& known : clients) {
    if (known.machine == client.machine && known.user == client.user) {
      known.exclusive = known.exclusive || client.exclusive;
      return;
    }
  }
  clients.push_back(client);
}

// The clients that smbstatus's JSON `status` shows with one of `asked` open.
void ReadOpens(const JsonValue& status, const std::vector<AskedFile>& asked,
               std::vector<SambaClient>& clients) {
  const JsonValue* files = status.Find("open_files");
  const JsonValue* sessions = status.Find("sessions");
  if (files == nullptr) return;
  for (const auto& [key, file] : files->members) {
    const JsonValue* opens = file.Find("opens");
    if (opens == nullptr || !IsAsked(key, file, asked)) continue;
    for (const auto& [id, open] : opens->members) {
      const JsonValue* server = open.Find("server_id");
      SambaClient client = ClientOfProcess(sessions != nullptr ? *sessions : JsonValue{},
                                           server != nullptr ? server->StringAt("pid") : "");
      const JsonValue* share = open.Find("sharemode");
      client.exclusive = share == nullptr || !share->BooleanAt("WRITE").value_or(false);
      AddClient(client, clients);
    }
  }
}

// Asks one server; kRefused, saying why, when it cannot be asked.
base::Status AskServer(const SambaServer& server, const std::vector<AskedFile>& asked,
                       std::vector<SambaClient>& clients) {
  std::vector<std::string> argv{"smbstatus", "--json"};
  if (!server.config.empty()) argv.insert(argv.end(), {"-s", server.config});
  const ChildOutput run = RunForOutput(argv, kToolTimeoutMs);
  if (run.end != ChildEnd::kExited || run.exitCode != 0) {
    return base::Status::Refused(ToolFailure("smbstatus", run));
  }
  const std::optional<JsonValue> status = ParseJson(run.out);
  if (!status || status->kind != JsonValue::Kind::kObject) {
    return base::Status::Refused("la réponse de smbstatus n'a pas pu être lue");
  }
  ReadOpens(*status, asked, clients);
  return {};
}

}  // namespace

SambaAnswer AskSamba(const std::vector<SambaServer>& servers,
                     const std::vector<std::string>& files) {
  std::vector<AskedFile> asked;
  for (const std::string& file : files) {
    struct stat info {};
    const std::optional<std::string> real = RealPath(file);
    if (!real || ::stat(real->c_str(), &info) != 0) continue;
    asked.push_back({*real, static_cast<unsigned long long>(info.st_dev),
                     static_cast<unsigned long long>(info.st_ino)});
  }
  SambaAnswer answer;
  for (const SambaServer& server : servers) {
    bool shared = !server.why.empty();  // shares unknown: they may hold the files
    for (const AskedFile& one : asked) shared = shared || InsideShare(one.path, server.shares);
    if (!shared || asked.empty()) continue;
    base::Status asking = server.why.empty() ? AskServer(server, asked, answer.clients)
                                             : base::Status::Refused(server.why);
    if (!asking.ok()) return {SambaVerdict::kCannotAsk, {}, std::move(asking)};
    answer.verdict = SambaVerdict::kAnswered;
  }
  return answer;
}

std::string SambaClientsText(const std::vector<SambaClient>& clients) {
  std::string text = "Postes de travail qui ont la base de données ouverte par le partage Samba : ";
  for (std::size_t k = 0; k < clients.size() && k < kNamedClients; ++k) {
    if (k > 0) text += ", ";
    text += text::QuoteName(clients[k].machine) + " (utilisateur " +
            text::QuoteName(clients[k].user) + ")";
  }
  if (clients.size() > kNamedClients) {
    const std::size_t more = clients.size() - kNamedClients;
    text += more == 1 ? " et 1 autre" : " et " + std::to_string(more) + " autres";
  }
  return text + ".";
}

std::string SambaCannotTellText(const std::string& path, const std::string& why) {
  return "Impossible de savoir si un poste de travail a la base de données " +
         text::QuoteName(path) +
         " ouverte : elle se trouve dans un dossier partagé par Samba, et Samba n'a pas pu être "
         "interrogé (" +
         why +
         "). Lancez le programme en tant qu'administrateur du serveur (root), ou arrêtez le "
         "partage du dossier, puis recommencez. Rien n'a été modifié.";
}

}  // namespace platform
