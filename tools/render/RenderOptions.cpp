#include "tools/render/RenderOptions.h"

#include "tools/render/Numbers.h"

const char* const RENDER_USAGE =
    "usage: smoke-render [options] SCENARIO\n"
    "Replays SCENARIO without a window and writes each picture it takes as a PNG file.\n"
    "  --out DIR              folder for the files (made when missing; default: here)\n"
    "  --size W[xH]           picture size in pixels (default 800, the window's size)\n"
    "  --solver cpu|gpu|both  overrides the scenario's solver; both: software and shader\n"
    "                         side by side, with a difference image and the fields' difference\n"
    "  --grid N[xM]           overrides the scenario's grid (cells across, and up)\n"
    "  --every N              also writes frame-NNNNN.png after every N steps\n"
    "  --velocity             draws the velocity arrows\n"
    "  --cells                draws the cell centres\n"
    "  --strokes              draws the stirring strokes\n";

namespace {

bool readCount(const std::string& text, uint32_t highest, uint32_t& value) {
    return readWholeNumber(text, 1, highest, value);
}

// "N" for N by N, or "NxM".
bool readPair(const std::string& text, uint32_t highest, uint32_t& first, uint32_t& second) {
    const size_t x = text.find('x');
    if (x == std::string::npos) return readCount(text, highest, first) && readCount(text, highest, second);
    return readCount(text.substr(0, x), highest, first) && readCount(text.substr(x + 1), highest, second);
}

bool readSolver(const std::string& text, std::optional<SolverChoice>& solver) {
    if (text == "cpu")
        solver = SolverChoice::Software;
    else if (text == "gpu")
        solver = SolverChoice::Shader;
    else if (text == "both")
        solver = SolverChoice::Both;
    else
        return false;
    return true;
}

class OptionReader {
public:
    explicit OptionReader(const std::vector<std::string>& args) : mArgs(args) {}

    ParsedOptions read() {
        for (mAt = 0; mAt < mArgs.size() && mResult.error.empty(); ++mAt) one(mArgs[mAt]);
        if (mResult.error.empty() && mResult.options.scenarioPath.empty() && !mResult.options.help)
            mResult.error = "no scenario file given";
        return mResult;
    }

private:
    using Reader = bool (OptionReader::*)(const std::string&);
    struct ValueOption {
        const char* name;
        const char* expected;
        Reader read;
    };

    const std::vector<std::string>& mArgs;
    size_t mAt = 0;
    ParsedOptions mResult;

    void one(const std::string& arg) {
        static const ValueOption valueOptions[] = {
            {"--out", "a folder", &OptionReader::readOut},
            {"--size", "W or WxH pixels from 1 to 8192", &OptionReader::readSize},
            {"--grid", "N or NxM cells from 1 to 4096", &OptionReader::readGrid},
            {"--solver", "cpu, gpu or both", &OptionReader::readSolverChoice},
            {"--every", "a whole number from 1 to 1000000", &OptionReader::readEvery},
        };
        RenderOptions& o = mResult.options;
        for (const ValueOption& v : valueOptions)
            if (arg == v.name) return value(v);
        if (arg == "--help" || arg == "-h") {
            o.help = true;
        } else if (arg == "--velocity") {
            o.overlays.velocity = true;
        } else if (arg == "--cells") {
            o.overlays.cellCentres = true;
        } else if (arg == "--strokes") {
            o.overlays.strokes = true;
        } else if (arg.rfind("-", 0) == 0) {
            mResult.error = "unknown option " + arg;
        } else if (!o.scenarioPath.empty()) {
            mResult.error = "more than one scenario file given";
        } else {
            o.scenarioPath = arg;
        }
    }

    // The word after an option, read into the options; an error names what was expected.
    void value(const ValueOption& option) {
        if (mAt + 1 >= mArgs.size()) {
            mResult.error = std::string(option.name) + " needs " + option.expected;
        } else if (!(this->*option.read)(mArgs[++mAt])) {
            mResult.error = std::string(option.name) + " expects " + option.expected + ", got '" + mArgs[mAt] + "'";
        }
    }

    bool readOut(const std::string& v) {
        mResult.options.outDir = v;
        return !v.empty();
    }

    bool readSize(const std::string& v) {
        uint32_t w = 0, h = 0;
        if (!readPair(v, MAX_PICTURE_SIDE, w, h)) return false;
        mResult.options.width = int(w);
        mResult.options.height = int(h);
        return true;
    }

    bool readGrid(const std::string& v) {
        uint32_t i = 0, j = 0;
        if (!readPair(v, MAX_GRID, i, j)) return false;
        mResult.options.resI = i;
        mResult.options.resJ = j;
        return true;
    }

    bool readSolverChoice(const std::string& v) { return readSolver(v, mResult.options.solver); }
    bool readEvery(const std::string& v) { return readCount(v, MAX_STEPS, mResult.options.every); }
};

}  // namespace

ParsedOptions parseRenderOptions(const std::vector<std::string>& args) { return OptionReader(args).read(); }
