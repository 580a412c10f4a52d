#include "app/terminal_batch.h"

#include <cstdio>
#include <string>

#include "config/batch_arguments.h"
#include "config/command_options.h"
#include "engine/listing_file.h"
#include "engine/logon.h"
#include "listing/listing_cache.h"
#include "listing/pane_list.h"
#include "operations/batch_listing.h"
#include "operations/batch_transfer.h"
#include "platform/fs.h"

namespace korval::app {

namespace {

// The listing file's name is reserved in the temporary directory for the
// run; the listings of remote directories get files of the listing cache,
// which are deleted with it when the run ends.
class ListingFileReservation {
 public:
  ListingFileReservation() : file_(platform::CreateTemporaryFile(platform::ListingFilePrefix)) {
    engine::SetListingFile(file_.Path());
  }
  ~ListingFileReservation() { listing::ClearListingCache(); }
  ListingFileReservation(const ListingFileReservation&) = delete;
  ListingFileReservation& operator=(const ListingFileReservation&) = delete;

 private:
  platform::TemporaryFile file_;
};

}  // namespace

int RunTerminalBatch(platform::ConsoleHost& host, std::string_view rest) {
  ListingFileReservation listingFile;
  // -quiet and -ascii count anywhere in the text, so the terminal is set up
  // only once the arguments are read.
  config::PrepareBatchArguments(rest);
  const config::BatchRequest& batch = config::Batch();
  host.SetLogEcho(batch.Verbose);
  host.SetProgressMeter(!batch.QuietMode);
  if (batch.Source.empty()) return ExitNotUnderstood;

  switch (operations::RunBatchTransfer(batch.Source, batch.Destination)) {
    case operations::BatchTransferred:
      return ExitDone;
    case operations::BatchRemoteDirectory:
      for (const std::string& line : operations::BatchListingLines(listing::RemotePane()))
        std::printf("%s\n", line.c_str());
      engine::CloseConnection();
      return ExitDone;
    default:
      return operations::BatchArgumentsNotUnderstood() ? ExitNotUnderstood : ExitFailed;
  }
}

}  // namespace korval::app
