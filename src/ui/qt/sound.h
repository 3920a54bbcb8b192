#pragma once
// What the program and its sound module share. The sound device lives in a
// module of its own (sound_module.cpp), loaded at the first sound: the
// program starts without the sound system's libraries.
#include "ui/wave.h"

namespace ui::sound {

// Where the sounds go. Every call comes from the user-interface thread.
class Output {
public:
    virtual ~Output() = default;
    // Starts `wave`, replacing a sound still playing. False when there is
    // nothing to play it on.
    virtual bool play(Wave wave) = 0;
    // True from a successful play() until that sound has finished.
    virtual bool playing() const = 0;
    // Ends the sound that plays, if any.
    virtual void stop() = 0;
};

// The module's entry point. It makes the output that plays on the sound
// device, or gives nullptr when `interfaceVersion` is not the one it was
// built with (a module left from another build).
constexpr int ModuleInterfaceVersion = 2;
constexpr const char *ModuleEntryPoint = "lunivar_sound_create";
using ModuleCreate = Output *(*)(int interfaceVersion);

} // namespace ui::sound
