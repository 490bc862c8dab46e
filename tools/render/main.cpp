// smoke-render: replays a scenario without showing a window and writes its pictures.

// GLEW must come before any other GL header.
#include <GL/glew.h>

#include <GL/freeglut.h>

#include <unistd.h>

#include <filesystem>
#include <iostream>
#include <memory>
#include <new>
#include <optional>
#include <vector>

#include "cpu/ThreadTeam.h"
#include "cli/Conventions.h"
#include "headless/HeadlessGL.h"
#include "tools/render/PictureWriter.h"
#include "tools/render/ProgressLine.h"
#include "tools/render/RenderOptions.h"
#include "tools/render/Solvers.h"

namespace {

constexpr int EXIT_FAILED = 1;
constexpr int EXIT_REFUSED = EXIT_BAD_COMMAND_LINE;  // the command line or the scenario is wrong; nothing ran

std::vector<SolverKind> solverKinds(SolverChoice choice) {
    switch (choice) {
        case SolverChoice::Software: return {SolverKind::Software};
        case SolverChoice::Shader: return {SolverKind::Shader};
        case SolverChoice::Both: return {SolverKind::Software, SolverKind::Shader};
    }
    return {};
}

// Whether the film can be made, or why not.
bool filmPossible(const RenderOptions& options, const Scenario& scenario) {
    std::string refusal = filmRefusal(filmSettings(options));
    if (refusal.empty() && scenario.solver == SolverChoice::Both)
        refusal = "a film shows one solver, and both are asked for (--solver cpu or gpu chooses one)";
    if (refusal.empty()) return true;
    std::cerr << "smoke-render: --video " << options.videoPath << ": " << refusal << "\n";
    return false;
}

// The scenario as the command line adjusts it, or nothing when it must not run.
bool prepareScenario(const RenderOptions& options, Scenario& scenario) {
    const ParsedScenario parsed = loadScenario(options.scenarioPath);
    if (!parsed.ok()) {
        std::cerr << describeErrors(options.scenarioPath, parsed.errors);
        return false;
    }
    scenario = parsed.scenario;
    if (options.solver) scenario.solver = *options.solver;
    const bool otherGrid = options.resI && (*options.resI != scenario.resI || *options.resJ != scenario.resJ);
    if (otherGrid && scenario.firstCellLine != 0) {
        std::cerr << options.scenarioPath << ":" << scenario.firstCellLine << ": names cells of the scenario's "
                  << scenario.resI << " by " << scenario.resJ << " grid, which --grid cannot change\n";
        return false;
    }
    if (options.projection) scenario.projection = *options.projection;
    if (options.resI) {
        scenario.resI = *options.resI;
        scenario.resJ = *options.resJ;
    }
    if (scenario.solver != SolverChoice::Software && !shaderSolverTakes({scenario.resI, scenario.resJ})) {
        std::cerr << options.scenarioPath << ": a grid of " << scenario.resI << " x " << scenario.resJ
                  << " cells is more than the shader solver takes (" << MAX_GRID
                  << " a side); the software solver (--solver cpu) takes it\n";
        return false;
    }
    const std::string refusal = runRefusal(scenario);
    if (!refusal.empty()) {
        std::cerr << options.scenarioPath << ": refused: " << refusal << "\n";
        return false;
    }
    const uint32_t every = frameInterval(options);
    const bool framesWritten = every != 0 && scenario.totalSteps() >= every;
    if (scenario.pictureCount() == 0 && !framesWritten) {
        std::cerr << options.scenarioPath << ": nothing to write: the scenario takes no picture"
                  << (every ? " and runs fewer steps than a frame takes" : "")
                  << " (add a 'picture' line, or use --every N or --video FILE)\n";
        return false;
    }
    if (!options.videoPath.empty() && !filmPossible(options, scenario)) return false;
    // Known now rather than at the first picture, after the whole run.
    if (scenario.pictureCount() > 0 || options.videoPath.empty()) {
        const std::string unwritable = outputFolderRefusal(options.outDir);
        if (!unwritable.empty()) {
            std::cerr << "smoke-render: --out " << options.outDir << ": " << unwritable << "\n";
            return false;
        }
    }
    return true;
}

// A GL context whose window nobody sees: pictures are painted offscreen.
void openHiddenContext() {
    headless::openWindow(64, 64, "smoke-render");
    glutHideWindow();
    glutMainLoopEvent();
}

int render(const RenderOptions& options, const Scenario& scenario) {
    if (options.threads) {
        const std::string note =
            threadsBeyondProcessorsNote(options.threads, "--threads " + std::to_string(options.threads));
        if (!note.empty()) std::cerr << "smoke-render: " << note << "\n";
    }
    openHiddenContext();
    PictureCanvas canvas(options.width, options.height);
    std::vector<std::unique_ptr<FluidSim2D>> owned;
    std::vector<LabelledSim> labelled;
    std::vector<FluidSim2D*> sims;
    SolverSettings settings;
    if (options.threads) settings.softwareThreads = ThreadCount(options.threads);
    settings.projection = scenario.projection;
    for (SolverKind kind : solverKinds(scenario.solver)) {
        owned.push_back(makeRenderSolver(kind, {scenario.resI, scenario.resJ}, settings));
        labelled.push_back({solverLabel(kind), owned.back().get()});
        sims.push_back(owned.back().get());
    }
    // Only once every solver exists, so a run that cannot start leaves no empty folder behind.
    const uint32_t every = frameInterval(options);
    std::unique_ptr<FilmEncoder> film;
    if (!options.videoPath.empty()) film = std::make_unique<FilmEncoder>(filmSettings(options));
    if (scenario.pictureCount() > 0 || !film) {
        std::error_code error;
        std::filesystem::create_directories(options.outDir, error);
        if (error) throw std::runtime_error("cannot make the folder " + options.outDir + ": " + error.message());
    }
    PictureWriter writer(labelled, canvas, options.overlays, options.outDir, every, std::cout);
    writer.removeStaleParts(scenario);
    if (film) writer.sendFramesTo(*film);
    std::optional<ProgressLine> progress;
    if (!options.quiet && isatty(STDERR_FILENO))
        progress.emplace(writer, scenario.totalSteps(), film ? 0 : every, std::cerr);
    runScenario(scenario, sims, progress ? static_cast<ScenarioObserver&>(*progress) : writer);
    writer.checkFields("the end of the scenario");
    if (film) {
        film->finish([&progress](uint64_t k, uint64_t n) {
            if (progress) progress->filmWritten(k, n);
        });
        progress.reset();
        std::cout << "wrote " << options.videoPath << "\n";
    }
    return 0;
}

}  // namespace

// Everything main does, parsing included, is inside the try: no exception ends it by abort.
int main(int argc, char** argv) try {
    RenderOptions options;
    if (const std::optional<int> status = readRenderOptions(argc, argv, options)) return *status;
    Scenario scenario;
    if (!prepareScenario(options, scenario)) return EXIT_REFUSED;
    return render(options, scenario);
} catch (const std::bad_alloc&) {
    std::cerr << "smoke-render: not enough memory (a smaller grid or picture needs less)\n";
    return EXIT_FAILED;
} catch (const std::exception& e) {
    std::cerr << "smoke-render: " << e.what() << "\n";
    return EXIT_FAILED;
}
