// Preparation of the host image before correction: conversion to Lab,
// dynamic range analysis, the lightness matrix and both maps. The headless
// run does it at once with host progress and abort.
#pragma once

namespace velmora {

/// The whole preparation without the dialog (continue with the repeat flag).
void HeadlessRun();

/// Brings every per-image state back to its load-time value before a new
/// image is prepared (analysis, maps, masks, step flags, caches).
void ResetImageState();

/// Every pixel walk reads three interleaved components; other plane counts
/// are refused with an internal failure.
void RequireThreePlanes();

}  // namespace velmora
