#pragma once

// Opens "MURNoptions.chm" from the current folder at its default topic, in a
// help window of its own; shows nothing when that cannot be done.
void OpenHelpFile();
