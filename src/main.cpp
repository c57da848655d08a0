#include <QApplication>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("ZamDados"));
    QApplication::setApplicationDisplayName(QStringLiteral("ZamDados"));
    return 0;
}
