// The input script's reader, shared by both back-ends, under the names the headless code first gave it.
#pragma once

#include "platform/common/input_script.h"

namespace headless {
using scripted::ApplyingPump;
using scripted::InputScript;
using scripted::LoadInputScript;
using scripted::ParseInputScript;
using scripted::ScriptDigest;
using scripted::ScriptEvent;
using scripted::ScriptRecord;
}  // namespace headless
