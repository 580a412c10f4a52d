#include "ui/logic/program_close.h"

#include <unistd.h>

#include "config/program_settings.h"
#include "engine/listing_file.h"
#include "engine/logon.h"
#include "engine/session.h"
#include "engine/socket_layer.h"
#include "listing/listing_cache.h"
#include "listing/local_listing.h"
#include "operations/main_commands.h"
#include "platform/fs.h"

namespace korval::ui::logic {

ReservedFiles ReserveWindowFiles() {
  ReservedFiles files;
  platform::TemporaryFile listing = platform::CreateTemporaryFile(platform::ListingFilePrefix);
  files.ListingFile = listing.Path();
  listing.Remove();  // only the unique name is kept
  if (!files.ListingFile.empty()) engine::SetListingFile(files.ListingFile);
  files.ViewFile = platform::CreateTemporaryFile(platform::ViewFilePrefix).Release();
  return files;
}

void CloseProgram(const ReservedFiles& files) {
  operations::StopJobsAndDisconnect();
  config::SaveSessionName();
  for (const std::string& path : {files.ListingFile, files.ViewFile})
    if (!path.empty()) ::unlink(path.c_str());
}

void FinishProgram() {
  listing::ClearListingCache();
  listing::RemoveTempFiles();
  engine::CloseRetiredSockets();
}

}  // namespace korval::ui::logic
