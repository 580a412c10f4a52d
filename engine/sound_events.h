#pragma once
// The three sound events: a wave file when waves are on and the file exists,
// else the beep. Callers play one only when the setting BELL is on.

namespace korval::engine {

enum class SoundEvent { Connect = 0, Complete = 1, Error = 2 };

void PlaySound(SoundEvent event);

}  // namespace korval::engine
