#pragma once
// Turns a scenario's pictures (and, on request, every Nth step) into PNG files.
// With two simulations it writes both pictures and their difference image, and
// prints how far apart the fields are.

#include <cstdint>
#include <ostream>
#include <string>
#include <vector>

#include "tools/render/Film.h"
#include "tools/render/Picture.h"
#include "scenario/ScenarioRun.h"

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

    // Throws std::runtime_error, naming the picture and the step, instead of writing
    // a picture of fields that are no longer finite.
    void picture(const std::string& name, const std::vector<DragSegment>& strokes) override;
    void stepped(uint64_t stepNumber, const std::vector<DragSegment>& strokes) override;

    // Throws std::runtime_error naming `moment` and the step when any simulation's
    // fields hold NaN or infinity.
    void checkFields(const std::string& moment) const;

    // Removes the half-written NAME.png.part files that a run killed while writing
    // left in the output folder, for the files this scenario writes.
    void removeStaleParts(const Scenario& scenario) const;

    // The path of a file of this name in the output folder.
    std::string pathOf(const std::string& fileName) const;

    // The frames taken after every `every` steps become the film's, instead of files.
    void sendFramesTo(FilmEncoder& film) { mFilm = &film; }

private:
    std::vector<LabelledSim> mSims;
    PictureCanvas& mCanvas;
    OverlayChoice mOverlays;
    std::string mOutDir;
    uint32_t mEvery;
    std::ostream& mReport;
    uint64_t mSteps = 0;
    FilmEncoder* mFilm = nullptr;

    // The files a picture of this name becomes: one, or both solvers' and their difference.
    std::vector<std::string> fileNamesOf(const std::string& name) const;
    void save(const std::string& fileName, const Image& image);
    void compare(const std::string& name, const std::vector<DragSegment>& strokes);
};

// The file stem of the Nth numbered frame (from 1): frame-00001 and on.
std::string frameName(uint64_t number);
