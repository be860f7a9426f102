#pragma once

// Registers every class that property streams create and installs the hooks the lower
// libraries expect from the higher ones (ghosts, designers, the object factory, the
// document's object hooks). Called once at start-up, before any document is read.
void RegisterApplicationClasses();
