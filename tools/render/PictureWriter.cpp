#include "tools/render/PictureWriter.h"

#include <cstdio>
#include <filesystem>
#include <stdexcept>

#include "tools/render/FieldComparison.h"

PictureWriter::PictureWriter(std::vector<LabelledSim> sims, PictureCanvas& canvas, const OverlayChoice& overlays,
                             std::string outDir, uint32_t every, std::ostream& report)
    : mSims(std::move(sims)),
      mCanvas(canvas),
      mOverlays(overlays),
      mOutDir(std::move(outDir)),
      mEvery(every),
      mReport(report) {
    if (mSims.empty() || mSims.size() > 2) throw std::invalid_argument("pictures of one or two simulations only");
}

std::string PictureWriter::pathOf(const std::string& fileName) const {
    return mOutDir.empty() || mOutDir.back() == '/' ? mOutDir + fileName : mOutDir + "/" + fileName;
}

std::vector<std::string> PictureWriter::fileNamesOf(const std::string& name) const {
    if (mSims.size() == 1) return {name + ".png"};
    return {name + "-" + mSims[0].label + ".png", name + "-" + mSims[1].label + ".png", name + "-diff.png"};
}

void PictureWriter::picture(const std::string& name, const std::vector<DragSegment>& strokes) {
    checkFields("picture '" + name + "'");
    if (mSims.size() == 2) {
        compare(name, strokes);
        return;
    }
    save(fileNamesOf(name)[0], mCanvas.paint(*mSims.front().sim, strokes, mOverlays));
}

void PictureWriter::stepped(uint64_t stepNumber, const std::vector<DragSegment>& strokes) {
    mSteps = stepNumber;
    if (mEvery == 0 || stepNumber % mEvery != 0) return;
    if (!mFilm) {
        picture(frameName(stepNumber / mEvery), strokes);
        return;
    }
    checkFields("frame " + std::to_string(stepNumber / mEvery) + " of the film");
    mFilm->add(mCanvas.paint(*mSims.front().sim, strokes, mOverlays));
}

void PictureWriter::checkFields(const std::string& moment) const {
    for (const LabelledSim& s : mSims)
        if (!fieldsAreFinite(*s.sim))
            throw std::runtime_error("the " + s.label + " solver's fields are not finite at " + moment +
                                     ", after step " + std::to_string(mSteps) + "; nothing more is written");
}

void PictureWriter::removeStaleParts(const Scenario& scenario) const {
    for (const Action& a : scenario.actions)
        if (a.kind == ActionKind::Picture)
            for (const std::string& file : fileNamesOf(a.name)) std::remove(pathOf(file + ".part").c_str());
    // Frames may number in the millions: the folder is looked through once instead.
    if (mEvery == 0) return;
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(mOutDir.empty() ? "." : mOutDir, error)) {
        const std::string file = entry.path().filename().string();
        const std::string suffix = ".png.part";
        if (file.rfind(FRAME_PREFIX, 0) == 0 && file.size() > suffix.size() &&
            file.compare(file.size() - suffix.size(), suffix.size(), suffix) == 0)
            std::filesystem::remove(entry.path(), error);
    }
}

void PictureWriter::save(const std::string& fileName, const Image& image) {
    const std::string path = pathOf(fileName);
    writePng(path, image);
    mReport << "wrote " << path << "\n" << std::flush;
}

void PictureWriter::compare(const std::string& name, const std::vector<DragSegment>& strokes) {
    const LabelledSim& a = mSims[0];
    const LabelledSim& b = mSims[1];
    const FieldDifference d = relativeDifference(*a.sim, *b.sim);
    char line[160];
    std::snprintf(line, sizeof line, "difference %s: density %.3e velocity %.3e", name.c_str(), d.density, d.velocity);
    mReport << line << "\n";
    const Image first = mCanvas.paint(*a.sim, strokes, mOverlays);
    const Image second = mCanvas.paint(*b.sim, strokes, mOverlays);
    const std::vector<std::string> files = fileNamesOf(name);
    save(files[0], first);
    save(files[1], second);
    save(files[2], differenceImage(first, second));
}

std::string frameName(uint64_t number) {
    char text[32];
    std::snprintf(text, sizeof text, "%s%05llu", FRAME_PREFIX, static_cast<unsigned long long>(number));
    return text;
}
