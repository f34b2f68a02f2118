/*
 * Settings of the start page. serviceBase is the address of the vendor
 * service that serves the slide downloads and the instruction document; a
 * bundle published by the service may override it in bundle-info.js.
 * Paths are relative to serviceBase; slide paths must contain
 * "/slide/download" and the instruction path "instruction.pdf", or the client
 * will not save them.
 */
window.QUORBITAL_CONFIG = {
  serviceBase: "http://127.0.0.1:8765/",
  slides: [
    { title: "入门课件：认识 Quorbital", detail: "约 48 KB · 适合第一次使用", path: "slide/download/intro-deck.zip" },
    { title: "第二单元 · 图文排版", detail: "约 2 MB · 含示例图片", path: "slide/download/%E7%AC%AC%E4%BA%8C%E5%8D%95%E5%85%83-%E5%9B%BE%E6%96%87%E6%8E%92%E7%89%88.zip" },
    { title: "完整课程包", detail: "约 24 MB · 慢速演示，可观察下载进度", path: "slide/download/slow/full-course.zip" },
    { title: "讲义合集", detail: "约 2 MB · 服务不报告文件大小", path: "slide/download/nolength/handouts.zip" }
  ],
  samples: [
    { file: "welcome.zv", title: "欢迎使用 Quorbital", detail: "中文示例 · 6 张幻灯片", badge: "欢迎" },
    { file: "orbital-basics.zv", title: "Orbital Basics", detail: "English sample · 5 slides", badge: "EN" }
  ],
  instruction: { title: "Quorbital 使用说明", detail: "PDF 文档 · 安装、打开文档与下载课件", path: "instruction.pdf" }
};
