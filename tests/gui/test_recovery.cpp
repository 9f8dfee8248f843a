// The recorder's offer, at start-up, of the samples a run that did not end
// normally left in its temporary files.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <unistd.h>

#include <QApplication>
#include <QLabel>
#include <QTemporaryDir>
#include <QToolButton>
#include <cstring>
#include <filesystem>
#include <memory>

#include "logger/data/loggerfile.h"
#include "logger/graphicalrecord.h"
#include "meterlink/globalvar.h"
#include "shell/toolkit/forms.h"
#include "shell/toolkit/mesgform.h"
#include "shell/toolkit/metrics.h"
#include "shell/toolkit/winmsg.h"
#include "support/examplemetrics.h"
#include "support/scriptedprompter.h"

namespace fs = std::filesystem;

namespace dmm {
namespace {

class Recovery : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        SetSystemMetricsOverride(test::ExampleMetrics());
        MsgForm = &progress;
        for (int i = 0; i < 450; ++i)
            records.emplace_back(std::to_string(i), "0", 6, TimeLabel({8, 0, i % 60, 0}),
                                 std::to_string(i), "", "V", static_cast<float>(i));
    }
    void TearDown() override {
        form.reset();
        MsgForm = nullptr;
        SetSystemMetricsOverride(std::nullopt);
    }

    fs::path Folder() const { return fs::path(dir.path().toStdString()); }
    void Start() { form = std::make_unique<TGraphicalForm>(G().Link, Folder()); }

    QTemporaryDir dir;
    MeterReading& reading = G().Link.Reading;
    test::ScriptedPrompter prompter;
    TMsgForm progress;
    LogList records;
    std::unique_ptr<TGraphicalForm> form;
};

TEST_F(Recovery, YesOpensTheNewestLeftOverWithEveryRecordAndKeepsTheFile) {
    ASSERT_TRUE(SaveLoggerFile((Folder() / "~NDMDL1.TMP").string(), LogList(3, records[0])));
    fs::last_write_time(Folder() / "~NDMDL1.TMP",
                        fs::file_time_type::clock::now() - std::chrono::hours(1));
    ASSERT_TRUE(SaveLoggerFile((Folder() / "~NDMDL2.TMP").string(), records));
    Start();
    prompter.boxAnswers = {Prompter::Yes};
    EXPECT_TRUE(form->commands().OfferLeftOverFiles());

    ASSERT_EQ(prompter.boxes().size(), 1u);
    const Prompter::Box box = prompter.boxes()[0];  // boxes() returns a copy
    EXPECT_EQ(box.caption, "Warning[W8200]");
    EXPECT_EQ(box.icon, Prompter::Icon::Question);
    EXPECT_EQ(box.buttons, Prompter::Yes | Prompter::No);
    EXPECT_EQ(box.defaultButton, Prompter::No);
    EXPECT_TRUE(box.text.contains("~NDMDL2.TMP : 450 sample(s) from 8:00:00.0 to 8:00:29.0"))
        << box.text.toStdString();
    EXPECT_TRUE(box.text.contains("~NDMDL1.TMP : 3 sample(s)"));
    EXPECT_EQ(prompter.count("open"), 0);

    // Read as Open reads a file: progress window, every record, unsaved data.
    const LogList& list = form->recorder().List();
    ASSERT_EQ(list.size(), records.size());
    for (std::size_t i = 0; i < list.size(); ++i)
        ASSERT_EQ(std::memcmp(&list[i], &records[i], sizeof(LogRecord)), 0) << i;
    EXPECT_EQ(progress.Label1->text(), "Reading Data : 450 of 450");
    EXPECT_FALSE(progress.isVisible());
    EXPECT_EQ(form->StatusPanels[1]->text(), "Data in buffer : 450");
    EXPECT_EQ(form->StatusPanels[2]->text(), "Page : 3 of 3");
    EXPECT_TRUE(form->recorder().HoldsUnsavedData());
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    EXPECT_TRUE(fs::exists(Folder() / "~NDMDL1.TMP"));
    EXPECT_EQ(fs::file_size(Folder() / "~NDMDL2.TMP"), 450u * 68);

    // Asked once: a loaded buffer is not offered anything.
    EXPECT_FALSE(form->commands().OfferLeftOverFiles());
    EXPECT_EQ(prompter.boxes().size(), 1u);
}

TEST_F(Recovery, NoChangesNothing) {
    ASSERT_TRUE(SaveLoggerFile((Folder() / "~NDMDL1.TMP").string(), records));
    Start();
    EXPECT_FALSE(form->commands().OfferLeftOverFiles());  // the default answer
    EXPECT_EQ(prompter.boxes().size(), 1u);
    EXPECT_TRUE(form->recorder().List().empty());
    EXPECT_FALSE(form->recorder().HoldsUnsavedData());
    EXPECT_EQ(fs::file_size(Folder() / "~NDMDL1.TMP"), 450u * 68);
}

TEST_F(Recovery, NothingIsAskedForFilesARunningRecorderHoldsOrThatHoldNoSample) {
    {
        // An empty left-over, and another instance acquiring in the same folder.
        ASSERT_TRUE(SaveLoggerFile((Folder() / "~NDMDL1.TMP").string(), LogList{}));
        TGraphicalForm running(G().Link, Folder());
        G().Link.ReadingReceived = 1;
        running.sbtnRecordStart->click();
        ASSERT_TRUE(fs::exists(Folder() / "~NDMDL2.TMP"));
        reading.sValue = "1.234";
        reading.sRange = "0";
        reading.iFunc = 6;
        SendWindowMessage(&running, msg::NewReading);
        running.sbtnRecordStop->click();
        ASSERT_EQ(fs::file_size(Folder() / "~NDMDL2.TMP"), 68u);

        Start();
        EXPECT_FALSE(form->commands().OfferLeftOverFiles());
        EXPECT_TRUE(prompter.boxes().empty());
        form.reset();
    }
    // A file locked by any other holder is passed by as well.
    ASSERT_TRUE(SaveLoggerFile((Folder() / "~NDMDL3.TMP").string(), records));
    const int held = open((Folder() / "~NDMDL3.TMP").c_str(), O_RDONLY);
    ASSERT_EQ(flock(held, LOCK_EX), 0);
    Start();
    EXPECT_FALSE(form->commands().OfferLeftOverFiles());
    EXPECT_TRUE(prompter.boxes().empty());
    close(held);
}

}  // namespace
}  // namespace dmm
