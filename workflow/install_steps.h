// The install worker's steps: their codes (the indexes of the step captions, posted with
// WM_INSTALL_STEP and WM_INSTALL_FAILED) and the install log lines written when a step begins and
// when it fails.
#pragma once

enum InstallStep : int {
    kStepDownloadDepend = 1,
    kStepDownloadBase = 2,
    kStepDownloadConfig = 3,
    kStepDownloadFix = 4,
    kStepDownloadQuant = 5,
    kStepUnpackDepend = 6,
    kStepUnpackBase = 7,
    kStepUnpackConfig = 8,
    kStepUnpackFix = 9,
    kStepMoveIn = 11,  // logged, never posted as a step
    kStepCleanup = 12,
    kStepSaveVersion = 13,
    kStepReplace = 14,
};

// The line logged when the step begins, "" for a code that is no step.
const char* StepStartLine(int step);
// The line logged when the step fails, "" for a step that cannot fail.
const char* StepFailureLine(int step);
