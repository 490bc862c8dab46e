#pragma once
// Turns a scenario's pictures (and, on request, every Nth step) into PNG files.
// With two simulations it writes both pictures and their difference image, and
// prints how far apart the fields are.

#include <cstdint>
#include <ostream>
#include <string>
#include <vector>

#include "tools/render/Picture.h"
#include "tools/render/ScenarioRun.h"

struct LabelledSim {
    std::string label;  // the suffix of this simulation's files when there are two
    FluidSim2D* sim;
};

class PictureWriter : public ScenarioObserver {
public:
    // `every` 0 writes no frames. Each file written is reported on `report` as
    // "wrote PATH", each comparison as "difference NAME: density D velocity V".
    PictureWriter(std::vector<LabelledSim> sims, PictureCanvas& canvas, const OverlayChoice& overlays,
                  std::string outDir, uint32_t every, std::ostream& report);

    void picture(const std::string& name, const std::vector<DragSegment>& strokes) override;
    void stepped(uint64_t stepNumber, const std::vector<DragSegment>& strokes) override;

    // The path of a file of this name in the output folder.
    std::string pathOf(const std::string& fileName) const;

private:
    std::vector<LabelledSim> mSims;
    PictureCanvas& mCanvas;
    OverlayChoice mOverlays;
    std::string mOutDir;
    uint32_t mEvery;
    std::ostream& mReport;

    void save(const std::string& fileName, const Image& image);
    void compare(const std::string& name, const std::vector<DragSegment>& strokes);
};

// The file stem of the Nth numbered frame (from 1): frame-00001 and on.
std::string frameName(uint64_t number);
