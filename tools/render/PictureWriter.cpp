#include "tools/render/PictureWriter.h"

#include <cstdio>
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

void PictureWriter::picture(const std::string& name, const std::vector<DragSegment>& strokes) {
    if (mSims.size() == 2) {
        compare(name, strokes);
        return;
    }
    save(name + ".png", mCanvas.paint(*mSims.front().sim, strokes, mOverlays));
}

void PictureWriter::stepped(uint64_t stepNumber, const std::vector<DragSegment>& strokes) {
    if (mEvery != 0 && stepNumber % mEvery == 0) picture(frameName(stepNumber / mEvery), strokes);
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
    save(name + "-" + a.label + ".png", first);
    save(name + "-" + b.label + ".png", second);
    save(name + "-diff.png", differenceImage(first, second));
}

std::string frameName(uint64_t number) {
    char text[32];
    std::snprintf(text, sizeof text, "%s%05llu", FRAME_PREFIX, static_cast<unsigned long long>(number));
    return text;
}
