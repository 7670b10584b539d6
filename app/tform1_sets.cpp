// The group " установки ": "считать" loads a parameter set or a recording of the signal into the
// fields and boxes, "сохранить" saves them as a parameter set. A load is all or nothing: on any
// problem the fields stay as they were and the status line says what is wrong.

#include <QCheckBox>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QSettings>

#include "app/spin_edit.h"
#include "app/status_line.h"
#include "app/tform1.h"
#include "sets/parameter_set_file.h"
#include "ui_tform1.h"

namespace tornel::app {

namespace {

constexpr const char* kLastFolderKey = "parameterSets/lastFolder";

QString StandardFileDialog(QWidget* parent, FileChoice choice, const QString& folder) {
    const bool save = choice == FileChoice::SaveSet;
    QFileDialog dialog(parent,
                       save ? QStringLiteral("Сохранить набор параметров")
                            : QStringLiteral("Считать набор параметров или запись сигнала"),
                       folder);
    dialog.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog.setFileMode(save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    dialog.setNameFilters(save ? QStringList{QStringLiteral("Наборы параметров (*.json)")}
                               : QStringList{QStringLiteral("Наборы и записи (*.json *.wav)"),
                                             QStringLiteral("Все файлы (*)")});
    dialog.setDefaultSuffix(save ? QStringLiteral("json") : QString());
    return dialog.exec() == QDialog::Accepted ? dialog.selectedFiles().value(0) : QString();
}

QString FileName(const QString& path) {
    return QFileInfo(path).fileName();
}

// The tooltip's line naming the file, which the status line has no room for.
QString FileLine(const QString& path) {
    return QStringLiteral("файл \"%1\"").arg(path);
}

}  // namespace

// The dialog opens in the folder of the last set loaded or saved, remembered between runs.
QString TForm1::ChooseFile(FileChoice choice) {
    const std::unique_ptr<QSettings> settings = OpenUserSettings();
    const QString folder =
        settings
            ->value(kLastFolderKey,
                    QDir(QString::fromStdString(services_.workDir.string())).absolutePath())
            .toString();
    const QString path = services_.chooseFile ? services_.chooseFile(this, choice, folder)
                                              : StandardFileDialog(this, choice, folder);
    if (!path.isEmpty()) {
        settings->setValue(kLastFolderKey, QFileInfo(path).absolutePath());
    }
    return path;
}

void TForm1::Button1Click() {
    const QString path = ChooseFile(FileChoice::LoadSet);
    if (path.isEmpty()) {
        return;
    }
    try {
        const ParameterSet set =
            LoadParameterSource(path.toStdString(), ReadPacketInputs(), *services_.parameters);
        ShowParameterSet(set.inputs);
        SetStatus(QStringLiteral(" Считано из файла ") + FileName(path));
    } catch (const ParameterSetError& e) {
        SetStatus(QStringLiteral(" Не считано: ") +
                      WithoutFilePrefix(QString::fromStdString(e.what()), path),
                  FileLine(path));
    }
}

void TForm1::Button4Click() {
    const QString path = ChooseFile(FileChoice::SaveSet);
    if (path.isEmpty()) {
        return;
    }
    const PacketInputs inputs = ReadPacketInputs();
    try {
        BuildPacket(inputs, *services_.parameters);  // a typed value out of range is not saved
        SaveParameterSetFile(path.toStdString(), {{}, inputs}, *services_.parameters);
        SetStatus(QStringLiteral(" Сохранено в файл ") + FileName(path));
    } catch (const FieldOutOfRange& e) {
        ShowOutOfRange(e, inputs);
    } catch (const std::exception& e) {
        SetStatus(QStringLiteral(" Не сохранено: ") +
                      WithoutFilePrefix(QString::fromStdString(e.what()), path),
                  FileLine(path));
    }
}

// Every field and box as the set has them; then the boxes' handlers, so that the fields' enabled
// states follow the boxes.
void TForm1::ShowParameterSet(const PacketInputs& inputs) {
    const auto fields = ParameterFields();
    for (std::size_t i = 0; i < fields.size(); ++i) {
        fields[i]->setValue(inputs.fields[i]);
    }
    for (const EnablingBox& box : kEnablingBoxes) {
        EnablingCheckBox(box.parameter)->setChecked(inputs.boxes.*(box.state));
    }
    FollowBoxes();
}

}  // namespace tornel::app
