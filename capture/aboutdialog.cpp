#include "aboutdialog.h"

#include "picwidget.h"

#include <QHBoxLayout>
#include <QPushButton>
#include <QTextEdit>
#include <QVBoxLayout>

AboutDialog::AboutDialog(QWidget *parent)
    : QDialog(parent)
{
    picWidget = new PicWidget(this);
    helpEdit = new QTextEdit(this);
    helpEdit->setObjectName(QStringLiteral("helpText"));
    helpEdit->setEnabled(false);
    okButton = new QPushButton(tr("确定"), this);
    connect(okButton, &QPushButton::clicked, this, &AboutDialog::close);

    setStyleSheet(QStringLiteral("background-image:url(:/img/back.png)"));
    helpEdit->setPlainText(helpText());

    auto *buttonRow = new QHBoxLayout;
    buttonRow->addStretch();
    buttonRow->addWidget(okButton);
    buttonRow->addStretch();
    auto *textColumn = new QVBoxLayout;
    textColumn->addWidget(helpEdit);
    textColumn->addLayout(buttonRow);
    mainLayout = new QHBoxLayout(this);
    mainLayout->addWidget(picWidget);
    mainLayout->addLayout(textColumn);

    setWindowTitle(tr("关于snapkin"));
    setFixedSize(550, 360);
    setWindowFlags(Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint);
}

QString AboutDialog::helpText()
{
    // Lines 3 to 5 describe settings of the stand-alone tool that this
    // program does not have; they are kept as the tool's own help text.
    return tr("使用说明:\n\n\n")
        + tr("1.截图快捷键为Ctrl+Alt+C,为全局热键，支持最小化截图\n")
        + tr("2.图片质量为0-100的值，你可以自由设置，定时截图和手动截图均参照此设置值\n")
        + tr("3.当您需要使用定时截图功能时,点选开启定时截图，设置保存目录与间隔时间(秒),按下开始截图则开始进行定时截图\n")
        + tr("4.假如希望在截图时候出现本程序窗口,点选截图时显示本窗口,默认不显示\n")
        + tr("5.窗口右上方为主菜单按钮，按下即可显示\n")
        + tr("6.在选取内按住鼠标左键进行拖动,拖动四周浮标改变大小,双击完成快速截图,选取内按右键弹出截图菜单,选区外按右键重新截图\n")
        + tr("7.没有选区时,空格键复制整个桌面到剪贴板,回车键(主键盘或小键盘)保存整个桌面\n")
        + tr("8.若桌面不提供Ctrl+Alt+C,可在桌面的键盘设置中把按键绑定到命令 velmonote -Capture,或从托盘菜单选择截图\n")
        + tr("9.方向键移动选区一个像素,Shift+方向键移动十个像素,Ctrl+方向键改变选区大小\n")
        + tr("10.P键钉在桌面:选区成为桌面上原处的便签;A键插入当前便签:选区加在当前便签末尾的记录下\n")
        + tr("           \n\n\n------------集成入Velmo Note的Snapkin------------\n")
        + tr("                 ----velmo-note@example.org----");
}
