// The settings store shared by both programs: where the data directory is,
// the per-queue file names, and the writer.
#pragma once
