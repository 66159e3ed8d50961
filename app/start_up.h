// Start-up: the shared settings every other part reads.
#pragma once

// Fills AppDir (the executable's folder with its trailing separator),
// TemplatesDir, ChunkSize and LineBreak. Always returns true.
bool InitApplication();
