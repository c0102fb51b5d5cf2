// Hands the page the runtime, so that it can quit.
external.rtl = rtl;
