// A real main window with a scripted prompter and a settings file in a temporary folder.
#pragma once

#include "app/datamodule.h"
#include "app/mainwindow.h"
#include "guitest.h"
#include "platform/prompter.h"
#include "platform/qt/qtmainthread.h"
#include "project/tfproject.h"

#include <QCoreApplication>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <memory>
#include <string>
#include <vector>

namespace velloran {

class MainWindowTest : public ::testing::Test {
protected:
    MainWindowTest()
        : dm({std::string(VELLORAN_BIN_DIR) + "/", dir.filePath("velloran.ini").toStdString(), {}}),
          project(dm.projectSession(), prompter, mainThread, dm.OpenDialog1) {}

    std::unique_ptr<TfEditor> start(std::vector<std::string> parameters = {}) {
        auto editor = std::make_unique<TfEditor>(dm, prompter, std::move(parameters));
        editor->setProjectWindow(&project);
        editor->show();
        QCoreApplication::processEvents(); // the show step runs once the window is up
        return editor;
    }

    QString file(const QString& name, const QByteArray& bytes) {
        const QString path = dir.filePath(name);
        writeBytes(path, bytes);
        return path;
    }

    [[nodiscard]] QString settingsPath() const { return dir.filePath("velloran.ini"); }

    QTemporaryDir dir;
    ScriptedPrompter prompter;
    Tdm1 dm;
    QtMainThread mainThread;
    Tfproject project;
};

} // namespace velloran
