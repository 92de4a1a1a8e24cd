// Every operation is checked while the arguments are read, so a usage error changes nothing.
// The operations then run in the order given, each through the same core function as its menu
// command; the first one that shows a message (a reference that cannot be read, a second image
// of the other geometry) ends the command before OUT is written.
#include "cli/process_command.h"

#include <cmath>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <ostream>

#include "app/display_refresh.h"
#include "app/label.h"
#include "app/present_services.h"
#include "app/view_commands.h"
#include "cli/cli_app.h"
#include "cli/cli_args.h"
#include "cli/image_output.h"
#include "cli/option_table.h"
#include "cli/text_ui_services.h"
#include "files/file_dialog_services.h"
#include "files/tq_file.h"
#include "processing/auto_processing.h"
#include "processing/calibration.h"
#include "processing/filter_commands.h"
#include "processing/filters.h"
#include "processing/merge.h"
#include "processing/stretch_commands.h"
#include "processing/stretch_dialog_models.h"
#include "processing/undo_history.h"
#include "session/session_state.h"

namespace vexa::cli {

namespace {

constexpr const char* kCommandName = "process";
// The Power Law dialog moves the exponent from 0.1 to 3.0; a typed value may differ from the
// bar's sums by rounding only.
constexpr double kPowerLowest = 0.1;
constexpr double kPowerTolerance = 1e-9;
constexpr long kBackgroundLevelMax = 255;

// A file named on the command line, made absolute: the file routines resolve relative names
// against the folder the last file choice remembered, which an operation may change.
std::string AbsolutePath(const std::string& name) {
    std::error_code error;
    const std::filesystem::path path = std::filesystem::absolute(name, error);
    return error ? name : path.string();
}

// The text user interface, with the file choice and the label dialog answered by the
// operation that is running, and a count of the messages shown.
class ProcessUiServices : public TextUiServices, public FileDialogServices, public PresentServices {
  public:
    using TextUiServices::TextUiServices;

    int MessageBox(const std::string& caption, const std::string& text) override {
        ++messagesShown_;
        return TextUiServices::MessageBox(caption, text);
    }
    int StopMessageBox(const std::string& caption, const std::string& text) override {
        return MessageBox(caption, text);
    }
    std::optional<std::string> OpenFileDialog(const FileDialogRequest&) override {
        return std::exchange(chosenFile_, std::nullopt);
    }
    bool RunLabelDialog(LabelDialogModel& model) override {
        model.SetEditText(labelText_);
        model.SetAutoDate(labelDate_);
        return true;
    }

    int MessagesShown() const { return messagesShown_; }
    void AnswerFileChoice(const std::string& path) { chosenFile_ = path; }
    void AnswerLabel(const std::string& text, bool withDate) {
        labelText_ = text;
        labelDate_ = withDate;
    }

  private:
    int messagesShown_ = 0;
    std::optional<std::string> chosenFile_;
    std::string labelText_;
    bool labelDate_ = false;
};

struct MergeOperation {
    std::string file;
    std::optional<std::vector<long>> marks;  // X1, Y1, X2, Y2
    bool average = false;
    bool superimpose = false;
};

struct LabelOperation {
    std::string text;
    bool withDate = false;
};

// One operation as read from the arguments: a merge or a label (completed by the options that
// follow them), or any other operation with its values bound.
struct Operation {
    std::string option;
    std::function<void(ProcessUiServices&)> run;
    std::optional<MergeOperation> merge;
    std::optional<LabelOperation> label;
};

struct ProcessRequest {
    std::vector<std::string> files;  // IN and OUT
    std::optional<OutputFormat> format;
    std::vector<Operation> operations;

    void Add(std::string option, std::function<void(ProcessUiServices&)> run) {
        operations.push_back({std::move(option), std::move(run), std::nullopt, std::nullopt});
    }
    // The operation just read, when it is a merge (or a label): what its options complete.
    MergeOperation* LastMerge() {
        return operations.empty() || !operations.back().merge ? nullptr : &*operations.back().merge;
    }
    LabelOperation* LastLabel() {
        return operations.empty() || !operations.back().label ? nullptr : &*operations.back().label;
    }
};

// "--merge FILE": the Merging menu's whole course with the marks given.
void RunMerge(const MergeOperation& merge) {
    SessionState& s = Session();
    StartMerge();
    if (!s.mergingMode) return;  // refused with its message
    const std::vector<long>& marks = *merge.marks;
    s.mergeX1 = static_cast<int32_t>(marks[0]);
    s.mergeY1 = static_cast<int32_t>(marks[1]);
    PrepareMergeSecondImage();
    if (!LoadImageFile(merge.file)) {
        CancelMerge();
        return;
    }
    s.mergeX2 = static_cast<int32_t>(marks[2]);
    s.mergeY2 = static_cast<int32_t>(marks[3]);
    s.mergeAverage = merge.average;
    s.mergeSuperimpose = merge.superimpose;
    if (!MergeImages()) CancelMerge();
}

// "--remove-background": the level given, or the one the view estimates after its paint.
void RunRemoveBackground(std::optional<long> level) {
    SessionState& s = Session();
    if (level) {
        s.backgroundLevel = static_cast<int32_t>(*level);
    } else {
        FillDisplayBytes(s.currentImage.data(), s.displayBytes.data(), s.geometry.sampleCount);
        EstimateBackgroundLevel();
    }
    RemoveBackground();
}

void RunOperation(const Operation& operation, ProcessUiServices& ui) {
    if (operation.merge) {
        RunMerge(*operation.merge);
    } else if (operation.label) {
        ui.AnswerLabel(operation.label->text, operation.label->withDate);
        CmdLabel();
    } else {
        operation.run(ui);
    }
}

// ---- the values of the operations ----

struct TwoNumbers {
    int first;
    int second;
};

std::optional<TwoNumbers> NormalLevels(const std::string& text) {
    const auto levels = ParseIntegerList(text, 2, 0, kWhiteBarMax);
    if (!levels || (*levels)[0] < kWhiteBarMin || (*levels)[1] > kBlackBarMax ||
        (*levels)[0] <= (*levels)[1]) {
        return std::nullopt;
    }
    return TwoNumbers{static_cast<int>((*levels)[0]), static_cast<int>((*levels)[1])};
}

std::optional<double> PowerExponent(const std::string& text) {
    const auto p = ParseReal(text);
    if (!p || *p < kPowerLowest - kPowerTolerance || *p > kPowerHighest + kPowerTolerance)
        return std::nullopt;
    return p;
}

std::optional<TwoNumbers> UnsharpValues(const std::string& text) {
    const auto v = ParseIntegerList(text, 2, 1, kUnsharpMaxValue);
    if (!v) return std::nullopt;
    return TwoNumbers{static_cast<int>((*v)[0]), static_cast<int>((*v)[1])};
}

std::optional<TwoNumbers> MedianValues(const std::string& text) {
    const auto v = ParseIntegerList(text, 2, 1, kMedianMaxTenths);
    if (!v || (*v)[0] > kMedianMaxRadius) return std::nullopt;
    return TwoNumbers{static_cast<int>((*v)[0]), static_cast<int>((*v)[1])};
}

std::optional<std::string> FileName(const std::string& text) {
    return text.empty() ? std::nullopt : std::optional<std::string>(AbsolutePath(text));
}

bool IsBackgroundLevel(const std::string& text) {
    return ParseInteger(text, 0, kBackgroundLevelMax).has_value();
}

// ---- the table ----

using Row = OptionRow<ProcessRequest>;

// An operation without a value.
Row Simple(const char* name, void (*command)(), std::string help) {
    return Option<ProcessRequest>(name, {}, ValueForm::Flag, help,
                                  [name, command](ProcessRequest& r, const OptionValues&) {
                                      r.Add(name, [command](ProcessUiServices&) { command(); });
                                      return std::string();
                                  });
}

// An operation with a value, which parse checks; run does the operation with it.
template <class Parse, class Run>
Row WithValue(const char* name, const char* valueName, Parse parse, std::string problem, Run run,
              std::string help) {
    return Valued<ProcessRequest>(
        name, valueName, parse, std::move(problem),
        [name, run](ProcessRequest& r, const auto& value) {
            r.Add(name, [run, value](ProcessUiServices& ui) { run(ui, value); });
        },
        help);
}

// An option that completes the merge or label just read.
template <class Complete>
Row Completing(const char* name, const char* valueName, ValueForm form, Complete complete) {
    return Option<ProcessRequest>(name, valueName, form, {}, complete);
}

// --merge FILE and the options that complete it.
std::vector<Row> MergeRows() {
    auto mergeFlag = [](bool MergeOperation::*flag, std::string name) {
        return [flag, name](ProcessRequest& r, const OptionValues&) -> std::string {
            MergeOperation* merge = r.LastMerge();
            if (!merge) return name + " must follow --merge FILE";
            merge->*flag = true;
            return {};
        };
    };
    return {
        Valued<ProcessRequest>(
            "--merge", "FILE", FileName, "--merge needs FILE",
            [](ProcessRequest& r, const std::string& file) {
                r.operations.push_back({"--merge",
                                        {},
                                        MergeOperation{file, std::nullopt, false, false},
                                        std::nullopt});
            },
            "merge FILE into the image; (X1,Y1) marks the star\n"
            "in the image, (X2,Y2) the same star in FILE"),
        Completing("--marks", "X1,Y1,X2,Y2", ValueForm::Value,
                   [](ProcessRequest& r, const OptionValues& values) -> std::string {
                       MergeOperation* merge = r.LastMerge();
                       if (!merge || merge->marks) return "--marks must follow --merge FILE";
                       merge->marks = values.empty()
                                          ? std::nullopt
                                          : ParseIntegerList(values[0], 4, INT32_MIN, INT32_MAX);
                       return merge->marks ? "" : "--marks needs X1,Y1,X2,Y2";
                   })
            .Listed(HelpPlace::After),
        Completing("--average", "", ValueForm::Flag,
                   mergeFlag(&MergeOperation::average, "--average"))
            .Listed(HelpPlace::AfterBracketed),
        Completing("--superimpose", "", ValueForm::Flag,
                   mergeFlag(&MergeOperation::superimpose, "--superimpose"))
            .Listed(HelpPlace::AfterBracketed),
    };
}

// --label TEXT [--label-date].
std::vector<Row> LabelRows() {
    return {
        Valued<ProcessRequest>(
            "--label", "TEXT", AnyText, "--label needs TEXT",
            [](ProcessRequest& r, const std::string& text) {
                r.operations.push_back({"--label", {}, std::nullopt, LabelOperation{text, false}});
            },
            "Label (with the UT time and date)"),
        Completing("--label-date", "", ValueForm::Flag,
                   [](ProcessRequest& r, const OptionValues&) -> std::string {
                       if (!r.LastLabel()) return "--label-date must follow --label TEXT";
                       r.LastLabel()->withDate = true;
                       return {};
                   })
            .Listed(HelpPlace::AfterBracketed),
    };
}

// --remove-background [LEVEL]: a following word is the level when it is one.
Row RemoveBackgroundRow() {
    Row row = Option<ProcessRequest>(
        "--remove-background", "[LEVEL]", ValueForm::OptionalValue,
        "Remove Background at display level LEVEL (0..255;\n"
        "default the level the view estimates)",
        [](ProcessRequest& r, const OptionValues& values) -> std::string {
            std::optional<long> level;
            if (!values.empty()) {
                level = ParseInteger(values[0], 0, kBackgroundLevelMax);
                if (!level) return "--remove-background takes a LEVEL from 0 to 255";
            }
            r.Add("--remove-background",
                  [level](ProcessUiServices&) { RunRemoveBackground(level); });
            return {};
        });
    row.takesWord = IsBackgroundLevel;
    return row;
}

// The options of process in the order the help lists them.
std::vector<Row> ProcessRows() {
    std::vector<Row> rows = {
        HelpText<ProcessRequest>(
            "Loads IN (TQ raw or FITS), applies the operations in the order given, each as its\n"
            "menu command does with the given dialog values, writes OUT and prints history:\n"
            "with the processing-history lines. OUT is written only when every operation ran.\n\n",
            32),
        Valued<ProcessRequest>(
            "--to", kOutputFormatNames, ParseOutputFormat,
            std::string("--to needs ") + kOutputFormatNames,
            [](ProcessRequest& r, OutputFormat format) { r.format = format; },
            "the format of OUT (default: that of IN)"),
        HelpText<ProcessRequest>("\nOperations:\n", 30),
        WithValue(
            "--normal", "WHITE,BLACK", NormalLevels,
            "--normal needs WHITE,BLACK: white 1..300 above black 0..255",
            [](auto&, TwoNumbers v) { ApplyNormalStretch(v.first, v.second); },
            "Normal Stretch (white 1..300, black 0..255, white\nabove black)"),
        WithValue(
            "--power", "P", PowerExponent, "--power needs a real from 0.1 to 3.0",
            [](auto&, double p) { ApplyPowerLawStretch(p); },
            "Power Law Stretch (0.1 to 3.0; 1.0 changes nothing)"),
        Simple("--sine", SineStretch, "Sine Law Stretch"),
        RemoveBackgroundRow(),
        WithValue(
            "--non-linear", "POWER", IntegerIn(kNonLinearMin, kNonLinearMax),
            "--non-linear needs a POWER from 2 to 50",
            [](auto&, long power) { ApplyNonLinearStretch(static_cast<double>(power)); },
            "Non-Linear Stretch (2..50)"),
        Simple("--log", LogStretch, "Logarithmic, Antilogarithmic, Invert"),
        Simple("--antilog", AntilogStretch, {}).Listed(HelpPlace::AfterComma),
        Simple("--invert", InvertStretch, {}).Listed(HelpPlace::AfterComma),
        WithValue(
            "--unsharp", "RADIUS,POWER", UnsharpValues,
            "--unsharp needs RADIUS,POWER, each from 1 to 7",
            [](auto&, TwoNumbers v) { ApplyUnsharpMask(v.first, v.second); },
            "Unsharp masking (each 1..7)"),
        Simple("--high-pass-low", CmdHighPassLowPower, "the fixed-kernel filters"),
        Simple("--high-pass-high", CmdHighPassHighPower, {}).Listed(HelpPlace::AfterComma),
        Simple("--smoother-sharper", CmdSmootherSharper, {}).Listed(HelpPlace::AfterComma),
        Simple("--gaussian", CmdGaussianSmoother, {}).Listed(HelpPlace::AfterComma),
        Simple("--low-pass", CmdLowPassSmoother, {}).Listed(HelpPlace::AfterComma),
        Simple("--bas-relief", CmdBasRelief, {}).Listed(HelpPlace::AfterComma),
        WithValue(
            "--median", "RADIUS,TENTHS", MedianValues,
            "--median needs RADIUS,TENTHS: radius 1..3, tenths 1..10",
            [](auto&, TwoNumbers v) { ApplyMedianFilter(v.first, v.second); },
            "Median Filter (radius 1..3, power TENTHS x 0.1,\n1..10)"),
        Simple("--gradient", CmdGradientFilter, "Gradient Filter"),
        WithValue(
            "--dark", "FILE", FileName, "--dark needs FILE",
            [](ProcessUiServices& ui, const std::string& file) {
                ui.AnswerFileChoice(file);
                SubtractDarkFrame();
            },
            "Subtract Image (Dark Frame), Apply Flat Field"),
        WithValue("--flat", "FILE", FileName, "--flat needs FILE",
                  [](ProcessUiServices& ui, const std::string& file) {
                      ui.AnswerFileChoice(file);
                      ApplyFlatField();
                  },
                  {})
            .Listed(HelpPlace::AfterComma),
    };
    for (Row& row : MergeRows()) rows.push_back(std::move(row));
    rows.push_back(Simple("--mirror", CmdMirrorImage, "Mirror Image"));
    for (Row& row : LabelRows()) rows.push_back(std::move(row));
    rows.push_back(Simple("--auto", RunAutoProcessing, "auto-processing with the stored settings"));
    rows.push_back(Simple("--undo", UndoLastFilter, "Undo Last Filter"));
    return rows;
}

const OptionTable<ProcessRequest>& ProcessTable() {
    static const OptionTable<ProcessRequest> table = [] {
        OptionTable<ProcessRequest> t{kCommandName, kProcessSynopsis, ProcessRows()};
        t.optionWords = OptionWords::DashAndMore;
        t.takeWord = [](ProcessRequest& r, const std::string& word) -> std::string {
            if (r.files.size() == 2) return "unexpected argument '" + word + "'";
            r.files.push_back(word);
            return {};
        };
        return t;
    }();
    return table;
}

// What a complete request needs beyond its options, in the order the problems are named.
std::string MissingPart(const ProcessRequest& request) {
    if (request.files.size() != 2) return "needs IN and OUT";
    if (request.operations.empty()) return "needs at least one OPERATION";
    for (const Operation& operation : request.operations) {
        if (operation.merge && !operation.merge->marks) return "--merge needs --marks X1,Y1,X2,Y2";
    }
    return {};
}

// Loads IN, runs the operations and writes OUT, with ui answering their dialogs.
int RunOperations(const ProcessRequest& request, ProcessUiServices& ui, std::ostream& out,
                  std::ostream& err) {
    const std::string in = AbsolutePath(request.files[0]);
    const std::string target = AbsolutePath(request.files[1]);
    const OutputFormat targetFormat = request.format.value_or(FormatOfImageFile(in));
    if (!LoadImageFile(in)) return kExitFailure;
    for (const Operation& operation : request.operations) {
        const int shownBefore = ui.MessagesShown();
        RunOperation(operation, ui);
        if (ui.MessagesShown() != shownBefore) {
            err << kProgramName << ' ' << kCommandName << ": " << operation.option
                << " did not complete; " << request.files[1] << " was not written\n";
            return kExitFailure;
        }
    }
    if (!WriteImageAs(target, targetFormat)) return kExitFailure;
    out << "history:\n";
    PrintHistoryLines(out);
    return kExitSuccess;
}

}  // namespace

int RunProcessCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    ProcessRequest request;
    if (const auto exit = ReadCommandLine(ProcessTable(), args, request, out, err)) return *exit;
    if (const std::string missing = MissingPart(request); !missing.empty())
        return Usage(ProcessTable(), err, missing);

    ProcessUiServices ui(err);
    UiServices& previous = Ui();
    FileDialogServices& previousFileDialogs = FileDialogs();
    PresentServices& previousPresentUi = PresentUi();
    SetUi(&ui);
    SetFileDialogs(&ui);
    SetPresentUi(&ui);
    const int status = RunOperations(request, ui, out, err);
    SetUi(&previous);
    SetFileDialogs(&previousFileDialogs);
    SetPresentUi(&previousPresentUi);
    return status;
}

}  // namespace vexa::cli
