#include "tools/PublishCommand.h"

#include "tools/Signing.h"

namespace {

void PrintLines(std::ostream &err, const char *prefix, const std::vector<std::string> &lines) {
  for (const std::string &line : lines) err << "quillet-publish: " << prefix << line << "\n";
}

}  // namespace

int RunPublishCommand(const PublishCommandLine &command, const Publisher::VersionReader &readVersion, std::ostream &out,
                      std::ostream &err) {
  if (command.KeyGen) {
    std::string problem;
    if (!WriteKeyPair(command.PrivateKeyFile, command.PublicKeyFile, problem)) {
      err << "quillet-publish: failed: " << problem << "\n";
      return 1;
    }
    out << "Made a key pair: private key " << command.PrivateKeyFile << " (keep it off the web server), public key "
        << command.PublicKeyFile << "\n";
    return 0;
  }
  Publisher publisher(command.Options, readVersion);
  const bool planned = publisher.Plan();
  PrintLines(err, "warning: ", publisher.Warnings());
  if (!planned) {
    PrintLines(err, "refused: ", publisher.Problems());
    err << "quillet-publish: nothing was changed\n";
    return 1;
  }
  if (!command.DryRun && !publisher.Apply()) {
    PrintLines(err, "failed: ", publisher.Problems());
    return 1;
  }
  if (command.Options.Refresh) {
    out << (command.DryRun ? "Would sign" : "Signed") << " version " << publisher.Version() << " again in "
        << command.Options.ServerDir << ": serial " << publisher.Serial() << ", valid until " << publisher.Expires()
        << "\n";
    if (command.DryRun) out << "Dry run: nothing was changed\n";
    return 0;
  }
  std::size_t added = 0;
  for (const PublishedFile &file : publisher.Files()) added += file.Added ? 1 : 0;
  out << (command.DryRun ? "Would publish" : "Published") << " version " << publisher.Version() << " to "
      << command.Options.ServerDir << ": " << added << " added, " << publisher.Files().size() - added << " changed, "
      << publisher.TotalBytes() << " bytes\n";
  for (const PublishedFile &file : publisher.Files()) {
    out << (file.Added ? "  added    " : "  changed  ") << file.Name << " (" << file.Size << " bytes)\n";
  }
  if (publisher.Signed()) {
    out << "Signed: serial " << publisher.Serial() << ", valid until " << publisher.Expires() << "\n";
  }
  if (command.DryRun) out << "Dry run: nothing was changed\n";
  return 0;
}
