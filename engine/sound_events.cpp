#include "engine/sound_events.h"

#include <sys/stat.h>

#include <string>

#include "config/program_settings.h"
#include "platform/host.h"

namespace korval::engine {

void PlaySound(SoundEvent event) {
  const config::ProgramSettings& settings = config::Settings();
  const std::string& file = event == SoundEvent::Connect    ? settings.ConnectSound
                            : event == SoundEvent::Complete ? settings.CompleteSound
                                                            : settings.ErrorSound;
  struct stat status {};
  platform::Host& host = platform::CurrentHost();
  if (settings.UseWave && !file.empty() && ::stat(file.c_str(), &status) == 0 && S_ISREG(status.st_mode))
    host.PlaySound(file);
  else
    host.Beep(event == SoundEvent::Connect    ? platform::BeepKind::Asterisk
              : event == SoundEvent::Complete ? platform::BeepKind::Simple
                                              : platform::BeepKind::Exclamation);
}

}  // namespace korval::engine
