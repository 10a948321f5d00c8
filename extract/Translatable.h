#pragma once

// Marks a text that the window shows in the user's language while the core keeps the English:
// the window looks `text` up in its translation under `context` as it shows it. lupdate, Qt's
// tool that gathers the texts to translate, knows this name (ui/CMakeLists.txt tells it), so the
// texts are written once, here in the core, which itself stays without Qt.
#define TRANSLATABLE(context, text) text
