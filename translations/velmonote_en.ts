<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en" sourcelanguage="zh_CN">
<context>
    <name>AboutDialog</name>
    <message>
        <source>确定</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>关于snapkin</source>
        <translation>About Snapkin</translation>
    </message>
    <message>
        <source>使用说明:


</source>
        <translation>How to use:


</translation>
    </message>
    <message>
        <source>1.截图快捷键为Ctrl+Alt+C,为全局热键，支持最小化截图
</source>
        <translation>1. The capture shortcut is Ctrl+Alt+C, a global hot key: it works while the program is minimised.
</translation>
    </message>
    <message>
        <source>2.图片质量为0-100的值，你可以自由设置，定时截图和手动截图均参照此设置值
</source>
        <translation>2. Image quality is a value from 0 to 100 that you can set freely; timed and manual captures both use it.
</translation>
    </message>
    <message>
        <source>3.当您需要使用定时截图功能时,点选开启定时截图，设置保存目录与间隔时间(秒),按下开始截图则开始进行定时截图
</source>
        <translation>3. For timed captures, turn on timed capture, set the folder to save to and the interval (seconds), then press Start capture.
</translation>
    </message>
    <message>
        <source>4.假如希望在截图时候出现本程序窗口,点选截图时显示本窗口,默认不显示
</source>
        <translation>4. To keep this program&apos;s window in the capture, turn on Show this window while capturing; by default it is not shown.
</translation>
    </message>
    <message>
        <source>5.窗口右上方为主菜单按钮，按下即可显示
</source>
        <translation>5. The main menu button is at the top right of the window; press it to show the menu.
</translation>
    </message>
    <message>
        <source>6.在选取内按住鼠标左键进行拖动,拖动四周浮标改变大小,双击完成快速截图,选取内按右键弹出截图菜单,选区外按右键重新截图
</source>
        <translation>6. Drag inside the selection with the left button to move it, drag the handles around it to resize it, double-click for a quick capture; right-click inside the selection for the capture menu, outside it to start again.
</translation>
    </message>
    <message>
        <source>           


------------集成入Velmo Note的Snapkin------------
</source>
        <translation>           


------------Snapkin, built into Velmo Note------------
</translation>
    </message>
    <message>
        <source>                 ----velmo-note@example.org----</source>
        <translation>                 ----velmo-note@example.org----</translation>
    </message>
    <message>
        <source>7.没有选区时,空格键复制整个桌面到剪贴板,小键盘回车键保存整个桌面
</source>
        <translation type="vanished">7. With no selection, Space copies the whole desktop to the clipboard and the keypad Enter saves the whole desktop
</translation>
    </message>
    <message>
        <source>8.若桌面不提供Ctrl+Alt+C,可在桌面的键盘设置中把按键绑定到命令 velmonote -Capture,或从托盘菜单选择截图
</source>
        <translation>8. Where the desktop does not offer Ctrl+Alt+C, bind a key to the command velmonote -Capture in the desktop&apos;s keyboard settings, or choose Capture in the tray menu
</translation>
    </message>
    <message>
        <source>7.没有选区时,空格键复制整个桌面到剪贴板,回车键(主键盘或小键盘)保存整个桌面
</source>
        <translation>7. With no selection, Space copies the whole desktop to the clipboard and Enter (main keyboard or keypad) saves the whole desktop
</translation>
    </message>
    <message>
        <source>9.方向键移动选区一个像素,Shift+方向键移动十个像素,Ctrl+方向键改变选区大小
</source>
        <translation>9. The arrow keys move the selection by one pixel, Shift+arrow by ten pixels, Ctrl+arrow changes its size
</translation>
    </message>
    <message>
        <source>10.P键钉在桌面:选区成为桌面上原处的便签;A键插入当前便签:选区加在当前便签末尾的记录下
</source>
        <translation>10. P pins to the desktop: the selection becomes a note in its place on the screen; A adds to the current note: the selection goes under a record at the end of the current note
</translation>
    </message>
</context>
<context>
    <name>CaptureKeyNotice</name>
    <message>
        <source>Ctrl+Alt+C 不能用来截图：%1。

请在桌面的键盘设置里选一个按键，绑定到这个命令：
%2</source>
        <translation>Ctrl+Alt+C cannot start a capture: %1.

In the desktop&apos;s keyboard settings, choose a key and bind it to this command:
%2</translation>
    </message>
    <message>
        <source>也可以从托盘菜单的“截图”开始。</source>
        <translation>You can also start a capture from the tray menu&apos;s “Capture” entry.</translation>
    </message>
    <message>
        <source>截图热键不可用</source>
        <translation>Capture key unavailable</translation>
    </message>
</context>
<context>
    <name>CaptureLauncher</name>
    <message>
        <source>无法读取屏幕画面</source>
        <translation>The screen could not be read.</translation>
    </message>
</context>
<context>
    <name>CheckedSave</name>
    <message>
        <source>磁盘已满，无法写入 %1</source>
        <translation>Disk full, cannot write %1</translation>
    </message>
    <message>
        <source>磁盘已满</source>
        <translation>Disk full</translation>
    </message>
</context>
<context>
    <name>ClockDialog</name>
    <message>
        <source>定时提醒</source>
        <translation>Reminder</translation>
    </message>
    <message>
        <source>关闭窗口</source>
        <translation>Close window</translation>
    </message>
    <message>
        <source>选择闹铃...</source>
        <translation>Ring...</translation>
    </message>
    <message>
        <source>停止</source>
        <translation>Stop</translation>
    </message>
    <message>
        <source>试听</source>
        <translation>Listen</translation>
    </message>
    <message>
        <source>暂停</source>
        <translation>Pause</translation>
    </message>
    <message>
        <source>定时提醒:</source>
        <translation>At:</translation>
    </message>
    <message>
        <source>间隔提醒(分):</source>
        <translation>Every (min):</translation>
    </message>
    <message>
        <source>重复</source>
        <translation>Loop</translation>
    </message>
    <message>
        <source>间隔时间持续提醒</source>
        <translation>Keep reminding at the interval</translation>
    </message>
    <message>
        <source>激活</source>
        <translation>On</translation>
    </message>
    <message>
        <source>激活定时提醒</source>
        <translation>Turn on the timed reminder</translation>
    </message>
    <message>
        <source>选择闹铃</source>
        <translation>Choose ring</translation>
    </message>
    <message>
        <source>音乐文件 (*.wav *.mp3)</source>
        <translation>Sound files (*.wav *.mp3)</translation>
    </message>
    <message>
        <source>确定</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>取消</source>
        <translation>Cancel</translation>
    </message>
</context>
<context>
    <name>Dialog</name>
    <message>
        <source>Velmo Note</source>
        <translation>Velmo Note</translation>
    </message>
    <message>
        <source>最小化</source>
        <translation>Minimise</translation>
    </message>
    <message>
        <source>更换皮肤</source>
        <translation>Change skin</translation>
    </message>
    <message>
        <source>便签改名</source>
        <translation>Rename note</translation>
    </message>
    <message>
        <source>添加便签</source>
        <translation>Add note</translation>
    </message>
    <message>
        <source>贴在屏幕上</source>
        <translation>Stick on screen</translation>
    </message>
    <message>
        <source>不透明度</source>
        <translation>Opacity</translation>
    </message>
    <message>
        <source>便签首页</source>
        <translation>Home</translation>
    </message>
    <message>
        <source>加载主页说明失败</source>
        <translation>Could not load the home page</translation>
    </message>
    <message>
        <source>提示</source>
        <translation>Notice</translation>
    </message>
    <message>
        <source>Velmo Note 便签 Author:</source>
        <translation>Velmo Note sticky notes Author:</translation>
    </message>
    <message>
        <source>已经最小化到托盘</source>
        <translation>Minimised to the tray</translation>
    </message>
    <message>
        <source>便签名不能为空!</source>
        <translation>The note name cannot be empty!</translation>
    </message>
    <message>
        <source>不能删除首页标签</source>
        <translation>The home tab cannot be deleted</translation>
    </message>
    <message>
        <source>不能删除固定标签</source>
        <translation type="vanished">A fixed tab cannot be deleted</translation>
    </message>
    <message>
        <source>已清除便签内容</source>
        <translation>Note cleared</translation>
    </message>
    <message>
        <source>截图失败</source>
        <translation>Capture failed</translation>
    </message>
    <message>
        <source>无法设置开机自启动</source>
        <translation>Cannot start with the system</translation>
    </message>
    <message>
        <source>无法取消开机自启动</source>
        <translation>Cannot stop starting with the system</translation>
    </message>
    <message>
        <source>无法创建开机自启动项，程序不会随系统启动</source>
        <translation>The start-with-the-system entry could not be created; the program will not start with the system</translation>
    </message>
    <message>
        <source>无法删除开机自启动项，程序仍会随系统启动</source>
        <translation>The start-with-the-system entry could not be removed; the program will still start with the system</translation>
    </message>
    <message>
        <source>截图热键不可用</source>
        <translation type="vanished">Capture key unavailable</translation>
    </message>
    <message>
        <source>Ctrl+Alt+C 不能用来截图：%1。
可以在桌面的键盘设置里把一个按键绑定到命令 velmonote -Capture，也可以从托盘菜单的“截图”开始。</source>
        <translation type="vanished">Ctrl+Alt+C cannot start a capture: %1.
Bind a key to the command velmonote -Capture in the desktop&apos;s keyboard settings, or use &quot;Capture&quot; in the tray menu.</translation>
    </message>
    <message>
        <source>收起或展开窗口</source>
        <translation>Roll up or down</translation>
    </message>
    <message>
        <source>同步文件夹</source>
        <translation>Sync folder</translation>
    </message>
    <message>
        <source>无法切换同步文件夹模式</source>
        <translation type="vanished">Cannot switch the sync folder mode</translation>
    </message>
    <message>
        <source>同步文件夹模式已打开</source>
        <translation type="vanished">Sync folder mode on</translation>
    </message>
    <message>
        <source>同步文件夹模式已关闭</source>
        <translation type="vanished">Sync folder mode off</translation>
    </message>
    <message>
        <source>已有便签叫“%1”，这个便签叫“%2”</source>
        <translation>A note is already called “%1”; this one is called “%2”</translation>
    </message>
    <message>
        <source>删除便签“%1”？</source>
        <translation>Delete note “%1”?</translation>
    </message>
    <message>
        <source>截图未插入：当前便签是主页或只读</source>
        <translation type="vanished">The capture was not added: the current note is the home page or read-only</translation>
    </message>
    <message>
        <source>Ctrl+Alt+C 不能用来截图：%1。

请在桌面的键盘设置里选一个按键，绑定到这个命令：
%2</source>
        <translation type="vanished">Ctrl+Alt+C cannot start a capture: %1.

In the desktop&apos;s keyboard settings, choose a key and bind it to this command:
%2</translation>
    </message>
    <message>
        <source>也可以从托盘菜单的“截图”开始。</source>
        <translation type="vanished">You can also start a capture from the tray menu&apos;s “Capture” entry.</translation>
    </message>
</context>
<context>
    <name>DropOpener</name>
    <message>
        <source>不能打开“%1”：只能打开 .not、.txt 和 .html 文件</source>
        <translation>Cannot open “%1”: only .not, .txt and .html files open as notes</translation>
    </message>
    <message>
        <source>“%1”：%2</source>
        <translation>“%1”: %2</translation>
    </message>
    <message>
        <source>图片只能放进可以编辑的便签</source>
        <translation>Pictures can only go into a note that can be edited</translation>
    </message>
</context>
<context>
    <name>FindBar</name>
    <message>
        <source>查找</source>
        <translation>Find</translation>
    </message>
    <message>
        <source>上一个 (Shift+F3)</source>
        <translation>Previous (Shift+F3)</translation>
    </message>
    <message>
        <source>下一个 (F3)</source>
        <translation>Next (F3)</translation>
    </message>
    <message>
        <source>区分大小写</source>
        <translation>Match case</translation>
    </message>
    <message>
        <source>全词匹配</source>
        <translation>Whole words</translation>
    </message>
    <message>
        <source>关闭 (Esc)</source>
        <translation>Close (Esc)</translation>
    </message>
    <message>
        <source>替换为</source>
        <translation>Replace with</translation>
    </message>
    <message>
        <source>替换</source>
        <translation>Replace</translation>
    </message>
    <message>
        <source>全部替换</source>
        <translation>Replace all</translation>
    </message>
</context>
<context>
    <name>FormatBar</name>
    <message>
        <source>添加记录</source>
        <translation>Add record</translation>
    </message>
    <message>
        <source>粗体</source>
        <translation type="vanished">Bold</translation>
    </message>
    <message>
        <source>斜体</source>
        <translation type="vanished">Italic</translation>
    </message>
    <message>
        <source>下划线</source>
        <translation type="vanished">Underline</translation>
    </message>
    <message>
        <source>颜色</source>
        <translation>Colour</translation>
    </message>
    <message>
        <source>填充颜色</source>
        <translation>Fill colour</translation>
    </message>
    <message>
        <source>插入表格</source>
        <translation>Insert table</translation>
    </message>
    <message>
        <source>打印该标签文本</source>
        <translation type="vanished">Print this tab&apos;s text</translation>
    </message>
    <message>
        <source>字体</source>
        <translation>Font</translation>
    </message>
    <message>
        <source>calibri</source>
        <translation>calibri</translation>
    </message>
    <message>
        <source>字号</source>
        <translation>Font size</translation>
    </message>
    <message>
        <source>粗体 (Ctrl+B)</source>
        <translation>Bold (Ctrl+B)</translation>
    </message>
    <message>
        <source>斜体 (Ctrl+I)</source>
        <translation>Italic (Ctrl+I)</translation>
    </message>
    <message>
        <source>下划线 (Ctrl+U)</source>
        <translation>Underline (Ctrl+U)</translation>
    </message>
    <message>
        <source>打印该标签文本 (Ctrl+P)</source>
        <translation>Print this tab&apos;s text (Ctrl+P)</translation>
    </message>
    <message>
        <source>列表</source>
        <translation>Lists</translation>
    </message>
    <message>
        <source>项目符号列表</source>
        <translation>Bulleted list</translation>
    </message>
    <message>
        <source>编号列表</source>
        <translation>Numbered list</translation>
    </message>
    <message>
        <source>清单 (Ctrl+Shift+L)</source>
        <translation>Checklist (Ctrl+Shift+L)</translation>
    </message>
</context>
<context>
    <name>GlobalShortcut</name>
    <message>
        <source>这个桌面不提供全局热键</source>
        <translation>this desktop offers no global keys</translation>
    </message>
    <message>
        <source>这个按键不能用作全局热键</source>
        <translation>this key cannot be a global key</translation>
    </message>
    <message>
        <source>另一个程序已占用这个按键</source>
        <translation>another program holds this key</translation>
    </message>
</context>
<context>
    <name>InputDialog</name>
    <message>
        <source>输入固定宽度:</source>
        <translation>Fixed width:</translation>
    </message>
    <message>
        <source>输入固定高度:</source>
        <translation>Fixed height:</translation>
    </message>
    <message>
        <source>说明:若为0则不做任何修改</source>
        <translation>Note: 0 leaves it unchanged</translation>
    </message>
    <message>
        <source>确定</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>取消</source>
        <translation>Cancel</translation>
    </message>
</context>
<context>
    <name>MenuDialog</name>
    <message>
        <source>清空便签</source>
        <translation>Clear note</translation>
    </message>
    <message>
        <source>居左</source>
        <translation>Align left</translation>
    </message>
    <message>
        <source>居中</source>
        <translation>Centre</translation>
    </message>
    <message>
        <source>居右</source>
        <translation>Align right</translation>
    </message>
    <message>
        <source>保存便签</source>
        <translation>Save note</translation>
    </message>
    <message>
        <source>打开便签</source>
        <translation>Open note</translation>
    </message>
    <message>
        <source>关于</source>
        <translation>About</translation>
    </message>
    <message>
        <source>自动隐藏</source>
        <translation>Auto-hide</translation>
    </message>
    <message>
        <source>退出</source>
        <translation>Quit</translation>
    </message>
    <message>
        <source>关闭菜单</source>
        <translation>Close menu</translation>
    </message>
    <message>
        <source>常驻标签</source>
        <translation>Fixed tab</translation>
    </message>
    <message>
        <source>取消常驻</source>
        <translation>Unfix tab</translation>
    </message>
    <message>
        <source>保存便签 (Ctrl+S)</source>
        <translation>Save note (Ctrl+S)</translation>
    </message>
    <message>
        <source>打开便签 (Ctrl+O)</source>
        <translation>Open note (Ctrl+O)</translation>
    </message>
    <message>
        <source>插入图片</source>
        <translation>Insert picture</translation>
    </message>
    <message>
        <source>搜索所有便签</source>
        <translation>Search all notes</translation>
    </message>
    <message>
        <source>新便签自动常驻</source>
        <translation>Keep new notes</translation>
    </message>
    <message>
        <source>最近删除</source>
        <translation>Recently deleted</translation>
    </message>
</context>
<context>
    <name>NoteDirectory</name>
    <message>
        <source>首页</source>
        <translation>home page</translation>
    </message>
    <message>
        <source>常驻</source>
        <translation>fixed</translation>
    </message>
    <message>
        <source>临时</source>
        <translation>scratch</translation>
    </message>
    <message>
        <source>便签文件</source>
        <translation>note file</translation>
    </message>
    <message>
        <source>桌面上</source>
        <translation>on the desktop</translation>
    </message>
</context>
<context>
    <name>NoteEditor</name>
    <message>
        <source>（粘贴的图片）</source>
        <translation>(pasted picture)</translation>
    </message>
    <message>
        <source>图片 %1 已损坏或不是图片</source>
        <translation>The picture %1 is damaged or not a picture</translation>
    </message>
    <message>
        <source>适应宽度</source>
        <translation>Fit</translation>
    </message>
    <message>
        <source>复制图片</source>
        <translation>Copy picture</translation>
    </message>
    <message>
        <source>图片另存为…</source>
        <translation>Save picture as…</translation>
    </message>
    <message>
        <source>PNG 图片 (*.png)</source>
        <translation>PNG pictures (*.png)</translation>
    </message>
    <message>
        <source>图片未能保存到 %1：%2</source>
        <translation>The picture could not be saved to %1: %2</translation>
    </message>
</context>
<context>
    <name>NoteFile</name>
    <message>
        <source>文件有 %1 MB，便签最多能打开 %2 MB 的文件，没有打开它</source>
        <translation>The file is %1 MB; a note can open files of at most %2 MB, so it was not opened</translation>
    </message>
    <message>
        <source>文件中有一段长达 %1 个字符，便签一段最多能显示 %2 个字符，没有打开它</source>
        <translation>The file has a paragraph of %1 characters; a note can show at most %2 characters in one paragraph, so it was not opened</translation>
    </message>
    <message>
        <source>文件中有一串长达 %1 个字符、中间不能换行的文字，便签最多能显示 %2 个字符的一串，没有打开它</source>
        <translation>The file has a run of %1 characters with no place to break the line; a note can show at most %2 such characters, so it was not opened</translation>
    </message>
    <message>
        <source>文件中有一段带有 %1 个格式标记，便签一段最多能显示 %2 个，没有打开它</source>
        <translation>The file has a paragraph with %1 format tags; a note can show at most %2 in one paragraph, so it was not opened</translation>
    </message>
    <message>
        <source>文件有 %1 行，便签最多能显示 %2 行，没有打开它</source>
        <translation>The file has %1 lines; a note can show at most %2 lines, so it was not opened</translation>
    </message>
</context>
<context>
    <name>NoteFileActions</name>
    <message>
        <source>选择文件</source>
        <translation>Choose file</translation>
    </message>
    <message>
        <source>保存文件</source>
        <translation>Save file</translation>
    </message>
    <message>
        <source>没有选择文件</source>
        <translation>No file chosen</translation>
    </message>
    <message>
        <source>无法打开该文件</source>
        <translation>Cannot open the file</translation>
    </message>
    <message>
        <source>calibri</source>
        <translation>calibri</translation>
    </message>
    <message>
        <source>未选择文件</source>
        <translation>No file chosen</translation>
    </message>
    <message>
        <source>保存文件出错</source>
        <translation>Could not save the file</translation>
    </message>
    <message>
        <source>已保存便签内容</source>
        <translation>Note saved</translation>
    </message>
    <message>
        <source>插入图片</source>
        <translation>Insert picture</translation>
    </message>
    <message>
        <source>图片 (*.png *.jpg *.jpeg *.bmp *.gif *.webp *.svg)</source>
        <translation>Pictures (*.png *.jpg *.jpeg *.bmp *.gif *.webp *.svg)</translation>
    </message>
    <message>
        <source>当前便签不能插入图片</source>
        <translation>No picture can be put into the current note</translation>
    </message>
    <message>
        <source>Velmo Note (*.not);;所有文件 (*)</source>
        <translation>Velmo Note (*.not);;All files (*)</translation>
    </message>
    <message>
        <source>便签</source>
        <translation>Note</translation>
    </message>
    <message>
        <source>截图未插入：当前便签是主页或只读</source>
        <translation>The capture was not added: the current note is the home page or read-only</translation>
    </message>
</context>
<context>
    <name>NoteListPopup</name>
    <message>
        <source>按名称筛选</source>
        <translation>Filter by name</translation>
    </message>
    <message>
        <source>按名称筛选便签</source>
        <translation>Filter notes by name</translation>
    </message>
    <message>
        <source>便签列表</source>
        <translation>List of notes</translation>
    </message>
    <message>
        <source>%1（%2）</source>
        <translation>%1 (%2)</translation>
    </message>
</context>
<context>
    <name>NoteNavigation</name>
    <message>
        <source>搜索所有便签</source>
        <translation>Search all notes</translation>
    </message>
    <message>
        <source>所有便签</source>
        <translation>All notes</translation>
    </message>
</context>
<context>
    <name>NotePrinter</name>
    <message>
        <source>打印便签</source>
        <translation>Print note</translation>
    </message>
</context>
<context>
    <name>NoteSearchPanel</name>
    <message>
        <source>搜索所有便签</source>
        <translation>Search all notes</translation>
    </message>
    <message>
        <source>在所有便签中搜索</source>
        <translation>Search in all notes</translation>
    </message>
    <message>
        <source>搜索结果</source>
        <translation>Search results</translation>
    </message>
    <message>
        <source>%1：%2</source>
        <translation>%1: %2</translation>
    </message>
    <message>
        <source>%1（%2）</source>
        <translation>%1 (%2)</translation>
    </message>
    <message>
        <source>没有找到“%1”</source>
        <translation>“%1” not found</translation>
    </message>
    <message>
        <source>%1 个便签含有“%2”，另有 %3 个未列出</source>
        <translation>%1 notes contain “%2”; %3 more are not listed</translation>
    </message>
    <message>
        <source>%1 个便签含有“%2”</source>
        <translation>%1 notes contain “%2”</translation>
    </message>
</context>
<context>
    <name>NoteStateKeeper</name>
    <message>
        <source>提醒和设置已恢复为默认</source>
        <translation>Reminders and settings are back to their defaults</translation>
    </message>
    <message>
        <source>便签“%1”的提醒（%2）在程序未运行时到期</source>
        <translation>The reminder of the note “%1” (%2) fell due while the program was not running</translation>
    </message>
    <message>
        <source>便签“%1”有一个未查看的错过提醒</source>
        <translation>The note “%1” has a missed reminder not yet seen</translation>
    </message>
    <message>
        <source>错过了提醒</source>
        <translation>Missed reminder</translation>
    </message>
    <message>
        <source>%1 未保存：%2</source>
        <translation>%1 not saved: %2</translation>
    </message>
</context>
<context>
    <name>NoteTabBar</name>
    <message>
        <source>关闭</source>
        <translation>Close</translation>
    </message>
</context>
<context>
    <name>NoteWidget</name>
    <message>
        <source>关闭便笺</source>
        <translation>Close note</translation>
    </message>
    <message>
        <source>设为只读</source>
        <translation>Read only</translation>
    </message>
    <message>
        <source>保持最前</source>
        <translation>Keep on top</translation>
    </message>
    <message>
        <source>定时提醒</source>
        <translation>Reminder</translation>
    </message>
    <message>
        <source>不透明度</source>
        <translation>Opacity</translation>
    </message>
    <message>
        <source>错过了提醒</source>
        <translation>Missed reminder</translation>
    </message>
    <message>
        <source>%1（错过提醒）</source>
        <translation>%1 (missed reminder)</translation>
    </message>
</context>
<context>
    <name>Notebook</name>
    <message>
        <source>calibri</source>
        <translation>calibri</translation>
    </message>
    <message>
        <source>便签“%1”未能恢复：无法读取 %2（%3）。tab.dat 仍保留它，文件可读后下次启动会恢复。</source>
        <translation>Note &quot;%1&quot; was not restored: cannot read %2 (%3). tab.dat still keeps it; it comes back at the next start once the file can be read.</translation>
    </message>
    <message>
        <source>便签“%1”的文件 %2 上次无法写入，已从 %3 恢复其文字。</source>
        <translation>The file %2 of note &quot;%1&quot; could not be written last time; its text was restored from %3.</translation>
    </message>
    <message>
        <source>tab.dat 中的常驻标签超过 %1 个，只打开了前 %1 个；其余 %2 个原样保留在 tab.dat 中。</source>
        <translation>tab.dat holds more than %1 fixed tabs; only the first %1 were opened. The other %2 stay in tab.dat as they are.</translation>
    </message>
    <message>
        <source>；文字已另存到 %1</source>
        <translation>; the text was saved to %1</translation>
    </message>
    <message>
        <source>；也无法另存到 %1：%2</source>
        <translation>; it could not be saved to %1 either: %2</translation>
    </message>
    <message>
        <source>便签“%1”没有打开：%2（%3）。tab.dat 仍保留它，文件没有改动。</source>
        <translation>Note &quot;%1&quot; was not opened: %2 (%3). tab.dat still keeps it, and the file was not changed.</translation>
    </message>
    <message>
        <source>它在别处改过，没有覆盖</source>
        <translation>it was changed elsewhere and is not written over</translation>
    </message>
</context>
<context>
    <name>NotebookSession</name>
    <message>
        <source>无法切换同步文件夹模式</source>
        <translation>Cannot switch the sync folder mode</translation>
    </message>
    <message>
        <source>无法切换同步文件夹模式：%1</source>
        <translation>Cannot switch the sync folder mode: %1</translation>
    </message>
    <message>
        <source>同步文件夹模式已打开</source>
        <translation>Sync folder mode on</translation>
    </message>
    <message>
        <source>同步文件夹模式已关闭</source>
        <translation>Sync folder mode off</translation>
    </message>
    <message>
        <source>保存失败</source>
        <translation>Save failed</translation>
    </message>
    <message>
        <source>提醒和设置保存失败：%1
再次退出将不保存修改。</source>
        <translation>Reminders and settings could not be saved: %1
Quitting again will not save the changes.</translation>
    </message>
    <message>
        <source>同步文件夹模式已关闭：便签仍在 notes/ 中，这里不再自动读取别处的修改；别处改过的便签文件不会被这里的修改覆盖。</source>
        <translation>Sync folder mode is off: the notes stay in notes/; changes made elsewhere are no longer read in by themselves, and a note file changed elsewhere is never written over by changes made here.</translation>
    </message>
    <message>
        <source>另一处关闭了同步文件夹模式</source>
        <translation>Sync folder mode switched off elsewhere</translation>
    </message>
    <message>
        <source>另一台电脑关闭了同步文件夹模式（%1 已删除）：这里不再同步，便签都还在 notes/ 中，别处改过的便签文件不会被这里的修改覆盖。要继续同步，在托盘菜单中再勾选“同步文件夹模式”。</source>
        <translation>Another computer switched sync folder mode off (%1 was deleted): this computer no longer syncs; every note is still in notes/, and a note file changed elsewhere is never written over by changes made here. To keep syncing, check “Sync folder mode” in the tray menu again.</translation>
    </message>
    <message>
        <source>图片未能移动</source>
        <translation>Pictures not moved</translation>
    </message>
</context>
<context>
    <name>NotebookStateFile</name>
    <message>
        <source>无法读取 %1（%2）：提醒和窗口设置恢复为默认，本次运行不会覆盖它</source>
        <translation>Cannot read %1 (%2): reminders and window settings are back to their defaults, and this run will not overwrite the file</translation>
    </message>
    <message>
        <source>%1 已损坏，读不出的提醒和设置恢复为默认，原文件备份为 %2</source>
        <translation>%1 is damaged: the reminders and settings that could not be read are back to their defaults; the original was kept as %2</translation>
    </message>
    <message>
        <source>%1 已损坏，读不出的提醒和设置恢复为默认；无法备份原文件（%2），因此不会覆盖它</source>
        <translation>%1 is damaged: the reminders and settings that could not be read are back to their defaults; the original could not be copied aside (%2), so it will not be overwritten</translation>
    </message>
</context>
<context>
    <name>NotebookSync</name>
    <message>
        <source>%1（冲突）</source>
        <translation>%1 (conflict)</translation>
    </message>
    <message>
        <source>无法保留冲突版本：%1 无法改名</source>
        <translation>Cannot keep the conflicting version: %1 cannot be renamed</translation>
    </message>
    <message>
        <source>便签“%1”已在另一处删除，但这里有未保存的修改：已保留，并会重新写入</source>
        <translation>The note “%1” was deleted elsewhere, but it has unsaved changes here: it is kept and will be written again</translation>
    </message>
    <message>
        <source>便签“%1”已在另一处删除，但无法存入 trash/（%2）：已保留</source>
        <translation>The note “%1” was deleted elsewhere but cannot be kept in trash/ (%2): it stays</translation>
    </message>
    <message>
        <source>便签“%1”已在另一处删除，文字存入 %2</source>
        <translation>The note “%1” was deleted elsewhere; its text is kept in %2</translation>
    </message>
    <message>
        <source>便签“%1”在两处都改过，但无法保存另一处的版本（%2）：这里的修改暂不写入</source>
        <translation>The note “%1” was changed in both places, but the other version cannot be saved (%2): changes here are not written yet</translation>
    </message>
    <message>
        <source>便签“%1”在两处都改过：另一版本在标签“%2”中，固定它即保留，删除它即放入 trash/</source>
        <translation>The note “%1” was changed in both places: the other version is in the tab “%2”; fix it to keep it, delete it to move it to trash/</translation>
    </message>
    <message>
        <source>无法把便签存入 trash/（%1）：它的文件 %2 保留</source>
        <translation>Cannot keep the note in trash/ (%1): its file %2 stays</translation>
    </message>
    <message>
        <source>无法删除 %1：下次启动它会回来</source>
        <translation>Cannot delete %1: it will come back at the next start</translation>
    </message>
    <message>
        <source>已删除，文字存入 %1</source>
        <translation>Deleted; its text is kept in %1</translation>
    </message>
    <message>
        <source>无法创建文件夹 %1</source>
        <translation>Cannot create the folder %1</translation>
    </message>
    <message>
        <source>便签</source>
        <translation>Note</translation>
    </message>
    <message>
        <source>无法把 %1 移入 trash/（%2）：下次启动它会作为常驻标签回来</source>
        <translation>Cannot move %1 to trash/ (%2): it will come back as a fixed tab at the next start</translation>
    </message>
    <message>
        <source>“%1”不再常驻：它的文件已移入 %2</source>
        <translation>“%1” is no longer fixed: its file was moved to %2</translation>
    </message>
    <message>
        <source>无法保留冲突版本</source>
        <translation>Cannot keep the other version</translation>
    </message>
    <message>
        <source>已保留为便签“%1”</source>
        <translation>Kept as the note “%1”</translation>
    </message>
    <message>
        <source>“%1”已在别处删除，这里的修改保留</source>
        <translation>“%1” deleted elsewhere; changes here kept</translation>
    </message>
    <message>
        <source>新便签“%1”</source>
        <translation>New note “%1”</translation>
    </message>
    <message>
        <source>无法存入 trash/</source>
        <translation>Cannot keep it in trash/</translation>
    </message>
    <message>
        <source>“%1”已在别处删除，存入 trash/</source>
        <translation>“%1” deleted elsewhere; kept in trash/</translation>
    </message>
    <message>
        <source>无法保存冲突版本</source>
        <translation>Cannot save the other version</translation>
    </message>
    <message>
        <source>“%1”有冲突版本</source>
        <translation>“%1” has another version</translation>
    </message>
    <message>
        <source>无法删除便签文件</source>
        <translation>Cannot delete the note file</translation>
    </message>
    <message>
        <source>已删除，文字存入 trash/</source>
        <translation>Deleted; text kept in trash/</translation>
    </message>
    <message>
        <source>不再常驻，文字存入 trash/</source>
        <translation>No longer fixed; text kept in trash/</translation>
    </message>
    <message>
        <source>便签文件太大，没有打开</source>
        <translation>A note file is too large to open</translation>
    </message>
    <message>
        <source>%1 没有打开：%2</source>
        <translation>%1 was not opened: %2</translation>
    </message>
    <message>
        <source>%1（冲突 %2）</source>
        <translation>%1 (conflict %2)</translation>
    </message>
    <message>
        <source>已拒绝 %1</source>
        <translation>Refused %1</translation>
    </message>
    <message>
        <source>%1 不是便签本中的普通文件（%2）：标签“%3”已关闭，文件没有改动</source>
        <translation>%1 is not a plain file of the notebook (%2): the tab “%3” was closed, the file is left as it is</translation>
    </message>
    <message>
        <source>另一处关闭了同步文件夹模式</source>
        <translation>Sync folder mode switched off elsewhere</translation>
    </message>
    <message>
        <source>另一台电脑关闭了同步文件夹模式（%1 已删除）。这里本次运行仍保持同步，便签都还在 notes/ 中；下次启动时不再同步。要继续同步，在托盘菜单中再勾选“同步文件夹模式”。</source>
        <translation>Another computer switched sync folder mode off (%1 was deleted). This one keeps syncing until it quits, and every note is still in notes/; at the next start it no longer syncs. To keep syncing, check “Sync folder mode” in the tray menu again.</translation>
    </message>
    <message>
        <source>冲突版本的文件已被同步工具删除</source>
        <translation>The sync tool deleted a conflict copy</translation>
    </message>
    <message>
        <source>%1 已被同步工具删除：标签“%2”保留（无法存入 trash/：%3）</source>
        <translation>The sync tool deleted %1: the tab “%2” stays (it could not be kept in trash/: %3)</translation>
    </message>
    <message>
        <source>%1 已被同步工具删除：标签“%2”保留，文字也存入 %3</source>
        <translation>The sync tool deleted %1: the tab “%2” stays, and its text is also kept in %3</translation>
    </message>
    <message>
        <source>是一个链接</source>
        <translation>it is a link</translation>
    </message>
    <message>
        <source>在便签本文件夹之外</source>
        <translation>it is outside the notebook folder</translation>
    </message>
    <message>
        <source>是一个文件夹</source>
        <translation>it is a folder</translation>
    </message>
    <message>
        <source>不是普通文件</source>
        <translation>it is not a plain file</translation>
    </message>
    <message>
        <source>%1 不是便签（%2）：没有打开，也不会写入</source>
        <translation>%1 is not a note (%2): not opened, and never written</translation>
    </message>
    <message>
        <source>；标签“%1”的文字改存到新的便签文件</source>
        <translation>; the text of the tab “%1” is kept in a new note file</translation>
    </message>
    <message>
        <source>“%1”的文件变成了空文件</source>
        <translation>The file of “%1” became empty</translation>
    </message>
    <message>
        <source>便签“%1”的文件 %2 在别处变成了空文件（冲突）：这里的文字保留，并会重新写入</source>
        <translation>The file %2 of the note “%1” was emptied elsewhere (conflict): the text here is kept and written again</translation>
    </message>
    <message>
        <source>%1 不是 UTF-8 文本</source>
        <translation>%1 is not UTF-8 text</translation>
    </message>
    <message>
        <source>%1 不是 UTF-8 文本，已按 Latin-1 显示；无法另存原始字节（%2），因此不会写入它</source>
        <translation>%1 is not UTF-8 text and is shown as Latin-1; its original bytes could not be kept aside (%2), so it will not be written</translation>
    </message>
    <message>
        <source>%1 不是 UTF-8 文本，已按 Latin-1 显示；原始字节另存为 %2，保存时写成 UTF-8</source>
        <translation>%1 is not UTF-8 text and is shown as Latin-1; its original bytes are kept as %2, and a save writes UTF-8</translation>
    </message>
    <message>
        <source>另一处（未开同步文件夹模式）在 tab.dat 中记下的便签“%1”已存为 %2</source>
        <translation>The note “%1”, kept inside tab.dat by a computer where sync folder mode is off, is now saved as %2</translation>
    </message>
    <message>
        <source>“%1”的文件是空文件</source>
        <translation>The file of “%1” is empty</translation>
    </message>
    <message>
        <source>便签“%1”的文件 %2 启动时是空文件：不是在这里清空的（可能是别处写入失败或别的程序所为）。这里没有它更新的文字；文件保持原样，直到你在标签中输入。另一台电脑仍有文字时会把它送回来。</source>
        <translation>The file %2 of the note “%1” was empty at start: it was not emptied here (a write that failed elsewhere, or another program). No newer text of it is kept here; the file stays as it is until you type into the tab. A computer that still has the text will send it back.</translation>
    </message>
</context>
<context>
    <name>PictureLoader</name>
    <message>
        <source>图片 %1 无法读取：%2</source>
        <translation>The picture %1 cannot be read: %2</translation>
    </message>
    <message>
        <source>图片 %1 已损坏或不是图片</source>
        <translation>The picture %1 is damaged or not a picture</translation>
    </message>
    <message>
        <source>图片 %1 已损坏：%2</source>
        <translation>The picture %1 is damaged: %2</translation>
    </message>
    <message>
        <source>图片无法转为 PNG：%1</source>
        <translation>The picture cannot be made a PNG: %1</translation>
    </message>
</context>
<context>
    <name>PictureStore</name>
    <message>
        <source>图片 %1 有 %2×%3 像素，超过 %4 百万像素，没有打开它</source>
        <translation>The picture %1 has %2×%3 pixels, more than %4 megapixels; it was not opened</translation>
    </message>
    <message>
        <source>图片不是 PNG，没有保存</source>
        <translation>The picture is not a PNG; it was not saved</translation>
    </message>
    <message>
        <source>（粘贴的图片）</source>
        <translation>(pasted picture)</translation>
    </message>
    <message>
        <source>%1 不是普通文件夹，图片没有保存</source>
        <translation>%1 is not a plain folder; the picture was not saved</translation>
    </message>
    <message>
        <source>%1 不是普通文件，图片没有保存</source>
        <translation>%1 is not a plain file; the picture was not saved</translation>
    </message>
    <message>
        <source>无法创建文件夹 %1</source>
        <translation>Cannot create the folder %1</translation>
    </message>
    <message>
        <source>图片未能保存到 %1：%2</source>
        <translation>The picture could not be saved to %1: %2</translation>
    </message>
    <message>
        <source>%1 不是本笔记本的图片</source>
        <translation>%1 is not a picture of this notebook</translation>
    </message>
    <message>
        <source>图片 %1 是一个链接，没有打开它</source>
        <translation>The picture %1 is a link; it was not opened</translation>
    </message>
    <message>
        <source>图片 %1 不存在</source>
        <translation>The picture %1 does not exist</translation>
    </message>
    <message>
        <source>图片 %1 不是普通文件，没有打开它</source>
        <translation>The picture %1 is not a plain file; it was not opened</translation>
    </message>
</context>
<context>
    <name>PictureTrash</name>
    <message>
        <source>%1 不是普通文件，图片 %2 没有移动</source>
        <translation>%1 is not a regular file; the picture %2 was not moved</translation>
    </message>
    <message>
        <source>无法移动图片 %1</source>
        <translation>Cannot move the picture %1</translation>
    </message>
    <message>
        <source>无法创建文件夹 %1</source>
        <translation>Cannot create the folder %1</translation>
    </message>
</context>
<context>
    <name>PortalHotKeyBackend</name>
    <message>
        <source>截图 (%1)</source>
        <translation>Capture (%1)</translation>
    </message>
    <message>
        <source>桌面没有全局快捷键服务（%1）</source>
        <translation type="vanished">the desktop has no global shortcut service (%1)</translation>
    </message>
    <message>
        <source>桌面拒绝了全局快捷键</source>
        <translation>the desktop refused the global shortcut</translation>
    </message>
    <message>
        <source>桌面没有绑定快捷键（%1）</source>
        <translation type="vanished">the desktop did not bind the shortcut (%1)</translation>
    </message>
    <message>
        <source>快捷键的设置被取消</source>
        <translation>the shortcut setup was cancelled</translation>
    </message>
    <message>
        <source>桌面没有全局快捷键服务</source>
        <translation>the desktop has no global shortcut service</translation>
    </message>
    <message>
        <source>桌面没有绑定快捷键</source>
        <translation>the desktop did not bind the shortcut</translation>
    </message>
</context>
<context>
    <name>PortalRequest</name>
    <message>
        <source>没有桌面会话总线</source>
        <translation>no desktop session bus</translation>
    </message>
    <message>
        <source>桌面门户没有应答</source>
        <translation>the desktop portal did not answer</translation>
    </message>
</context>
<context>
    <name>PortalScreenshot</name>
    <message>
        <source>桌面没有提供截图服务（%1）</source>
        <translation>The desktop offers no screenshot service (%1).</translation>
    </message>
    <message>
        <source>截图被取消</source>
        <translation>The screenshot was cancelled.</translation>
    </message>
    <message>
        <source>桌面拒绝了截图</source>
        <translation>The desktop refused the screenshot.</translation>
    </message>
    <message>
        <source>桌面给出的截图无法读取</source>
        <translation>The desktop&apos;s screenshot cannot be read.</translation>
    </message>
    <message>
        <source>桌面给出的截图无法读取：%1</source>
        <translation>The desktop&apos;s screenshot cannot be read: %1</translation>
    </message>
</context>
<context>
    <name>PromptBar</name>
    <message>
        <source>输入标签名称</source>
        <translation>Enter a tab name</translation>
    </message>
    <message>
        <source>确定删除?</source>
        <translation>Delete?</translation>
    </message>
    <message>
        <source>确认</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>取消</source>
        <translation>Cancel</translation>
    </message>
</context>
<context>
    <name>QObject</name>
    <message>
        <source>Ver 0.1</source>
        <translation>Ver 0.1</translation>
    </message>
    <message>
        <source>Velmo Note</source>
        <translation>Velmo Note</translation>
    </message>
    <message>
        <source>无法确认此文件夹中没有另一个便签在运行，为免两个便签互相覆盖 tab.dat，本次不启动。

%1</source>
        <translation>Cannot make sure that no other notebook runs in this folder. So that two notebooks do not overwrite each other&apos;s tab.dat, Velmo Note does not start.

%1</translation>
    </message>
</context>
<context>
    <name>RecentlyDeleted</name>
    <message>
        <source>便签没有删除</source>
        <translation>Note not deleted</translation>
    </message>
    <message>
        <source>便签“%1”没有删除：无法存入最近删除（%2）</source>
        <translation>The note “%1” was not deleted: it could not be kept in Recently deleted (%2)</translation>
    </message>
    <message>
        <source>已移入最近删除（Ctrl+Z 恢复）</source>
        <translation>Moved to Recently deleted (Ctrl+Z brings it back)</translation>
    </message>
    <message>
        <source>%1 个临时便签已移入最近删除</source>
        <translation>%1 scratch notes moved to Recently deleted</translation>
    </message>
    <message>
        <source>临时便签无法移入最近删除</source>
        <translation>Scratch notes could not be moved to Recently deleted</translation>
    </message>
    <message>
        <source>这些临时便签无法存入 %1，仍在程序中：
%2</source>
        <translation>These scratch notes could not be kept in %1 and are still open:
%2</translation>
    </message>
    <message>
        <source>无法恢复便签</source>
        <translation>Cannot restore the note</translation>
    </message>
    <message>
        <source>无法从最近删除恢复 %1：%2</source>
        <translation>Cannot restore %1 from Recently deleted: %2</translation>
    </message>
    <message>
        <source>恢复的便签</source>
        <translation>Restored note</translation>
    </message>
    <message>
        <source>已恢复便签“%1”</source>
        <translation>Restored the note “%1”</translation>
    </message>
    <message>
        <source>最近删除中没有找到它</source>
        <translation>It is not in Recently deleted</translation>
    </message>
</context>
<context>
    <name>RecordHeader</name>
    <message>
        <source>&lt;font color=Red&gt;&lt;B&gt;%1%2%3&lt;/B&gt;&lt;/font&gt;&lt;BR&gt;&lt;BR&gt;&lt;HR&gt;</source>
        <translation type="vanished">&lt;font color=Red&gt;&lt;B&gt;%1%2%3&lt;/B&gt;&lt;/font&gt;&lt;BR&gt;&lt;BR&gt;&lt;HR&gt;</translation>
    </message>
    <message>
        <source>&lt;font color=Red&gt;&lt;B&gt;%1&lt;BR&gt;%2&lt;BR&gt;%3&lt;/B&gt;&lt;/font&gt;&lt;BR&gt;&lt;BR&gt;&lt;HR&gt;</source>
        <translation>&lt;font color=Red&gt;&lt;B&gt;%1&lt;BR&gt;%2&lt;BR&gt;%3&lt;/B&gt;&lt;/font&gt;&lt;BR&gt;&lt;BR&gt;&lt;HR&gt;</translation>
    </message>
</context>
<context>
    <name>ReminderNotifier</name>
    <message>
        <source>便签“%1”的提醒</source>
        <translation>Reminder of the note “%1”</translation>
    </message>
    <message>
        <source>%1 提醒响了</source>
        <translation>The reminder rang at %1</translation>
    </message>
</context>
<context>
    <name>SkinDialog</name>
    <message>
        <source>更换皮肤</source>
        <translation>Change skin</translation>
    </message>
    <message>
        <source>关闭窗口</source>
        <translation>Close window</translation>
    </message>
    <message>
        <source>确定</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>取消</source>
        <translation>Cancel</translation>
    </message>
</context>
<context>
    <name>StoreSession</name>
    <message>
        <source>便签数据已损坏</source>
        <translation>Notebook data is damaged</translation>
    </message>
    <message>
        <source>tab.dat 已损坏，已读出损坏前的便签；无法备份原文件（%1），因此不会覆盖它</source>
        <translation>tab.dat is damaged; the notes before the damage were read. The original file could not be backed up (%1), so it will not be overwritten</translation>
    </message>
    <message>
        <source>tab.dat 已损坏，已读出损坏前的便签，原文件备份为 %1</source>
        <translation>tab.dat is damaged; the notes before the damage were read, and the original file was backed up as %1</translation>
    </message>
    <message>
        <source>无法读取 tab.dat（%1），本次运行不会覆盖它</source>
        <translation>Cannot read tab.dat (%1); this run will not overwrite it</translation>
    </message>
    <message>
        <source>有便签文件无法读取</source>
        <translation>Some note files cannot be read</translation>
    </message>
    <message>
        <source>%1 个固定便签的便签文件无法读取，未能打开；它们的记录会原样保存</source>
        <translation>The note files of %1 fixed tabs cannot be read and were not opened; their records are kept as they are</translation>
    </message>
    <message>
        <source>无法创建 tab.dat</source>
        <translation>Cannot create tab.dat</translation>
    </message>
    <message>
        <source>无法创建 tab.dat（%1），便签可能无法保存</source>
        <translation>Cannot create tab.dat (%1); the notes may not be saved</translation>
    </message>
    <message>
        <source>启动时无法读取 tab.dat，为保护原文件未保存</source>
        <translation>tab.dat could not be read at start-up; not saved, to protect the original file</translation>
    </message>
    <message>
        <source>自动保存失败</source>
        <translation>Autosave failed</translation>
    </message>
    <message>
        <source>便签自动保存失败：%1</source>
        <translation>The notes could not be saved automatically: %1</translation>
    </message>
    <message>
        <source>保存失败</source>
        <translation>Save failed</translation>
    </message>
    <message>
        <source>便签保存失败：%1
再次退出将不保存修改。</source>
        <translation>The notes could not be saved: %1
Quitting again will not save the changes.</translation>
    </message>
    <message>
        <source>便签保存失败：%1</source>
        <translation>The notes could not be saved: %1</translation>
    </message>
    <message>
        <source>磁盘已满…</source>
        <translation>Disk full…</translation>
    </message>
</context>
<context>
    <name>TableDialog</name>
    <message>
        <source>行数:</source>
        <translation>Rows:</translation>
    </message>
    <message>
        <source>列数:</source>
        <translation>Columns:</translation>
    </message>
    <message>
        <source>宽度:</source>
        <translation>Width:</translation>
    </message>
    <message>
        <source>布局:</source>
        <translation>Alignment:</translation>
    </message>
    <message>
        <source>插入</source>
        <translation>Insert</translation>
    </message>
    <message>
        <source>取消</source>
        <translation>Cancel</translation>
    </message>
    <message>
        <source>居左</source>
        <translation>Left</translation>
    </message>
    <message>
        <source>居中</source>
        <translation>Centre</translation>
    </message>
    <message>
        <source>居右</source>
        <translation>Right</translation>
    </message>
</context>
<context>
    <name>TitleClock</name>
    <message>
        <source>Velmo Note</source>
        <translation>Velmo Note</translation>
    </message>
</context>
<context>
    <name>TrashListDialog</name>
    <message>
        <source>最近删除</source>
        <translation>Recently deleted</translation>
    </message>
    <message>
        <source>名称</source>
        <translation>Name</translation>
    </message>
    <message>
        <source>删除时间</source>
        <translation>Deleted</translation>
    </message>
    <message>
        <source>第一行</source>
        <translation>First line</translation>
    </message>
    <message>
        <source>恢复</source>
        <translation>Restore</translation>
    </message>
</context>
<context>
    <name>Tray</name>
    <message>
        <source>窗口总在最前</source>
        <translation>Always on top</translation>
    </message>
    <message>
        <source>显示主窗口</source>
        <translation>Show main window</translation>
    </message>
    <message>
        <source>开机自启动</source>
        <translation>Start with the system</translation>
    </message>
    <message>
        <source>同步文件夹模式</source>
        <translation>Sync folder mode</translation>
    </message>
    <message>
        <source>截图</source>
        <translation>Capture</translation>
    </message>
    <message>
        <source>退出</source>
        <translation>Quit</translation>
    </message>
    <message>
        <source>Velmo Note V0.5</source>
        <translation>Velmo Note V0.5</translation>
    </message>
</context>
<context>
    <name>Widget</name>
    <message>
        <source>如需使用帮助，请按F1</source>
        <translation>Press F1 for help</translation>
    </message>
    <message>
        <source>保存到文件</source>
        <translation>Save to file</translation>
    </message>
    <message>
        <source>退出</source>
        <translation>Quit</translation>
    </message>
    <message>
        <source>保存到剪贴板</source>
        <translation>Copy to clipboard</translation>
    </message>
    <message>
        <source>使用帮助</source>
        <translation>Help</translation>
    </message>
    <message>
        <source>设置固定尺寸</source>
        <translation>Set fixed size</translation>
    </message>
    <message>
        <source>截图菜单</source>
        <translation>Capture menu</translation>
    </message>
    <message>
        <source>保存截图</source>
        <translation>Save capture</translation>
    </message>
    <message>
        <source>PNG(*.png);;JPG(*.jpg);;BMP(*.bmp)</source>
        <translation>PNG(*.png);;JPG(*.jpg);;BMP(*.bmp)</translation>
    </message>
    <message>
        <source>截图未能保存到 %1：
%2</source>
        <translation>The capture could not be saved to %1:
%2</translation>
    </message>
    <message>
        <source>截图开始坐标(%1,%2)</source>
        <translation>Capture start (%1,%2)</translation>
    </message>
    <message>
        <source>截图尺寸大小(%1,%2)</source>
        <translation>Capture size (%1,%2)</translation>
    </message>
    <message>
        <source>截图_%1.png</source>
        <translation>capture_%1.png</translation>
    </message>
    <message>
        <source>钉在桌面</source>
        <translation>Pin to desktop</translation>
    </message>
    <message>
        <source>插入当前便签</source>
        <translation>Add to current note</translation>
    </message>
</context>
</TS>
