#ifndef ORLA_FILESELECTIONDIALOG_H
#define ORLA_FILESELECTIONDIALOG_H

#include <QFileDialog>

/**
 * Picks one or more existing files whose rules the profile editor adds.
 * Hidden entries are not listed.
 */
class FileSelectionDialog : public QFileDialog
{
    Q_OBJECT
public:
    FileSelectionDialog(QWidget *parent, const QString &directory);
    ~FileSelectionDialog() override;
};

#endif
