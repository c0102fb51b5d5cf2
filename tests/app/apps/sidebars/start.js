external.rtl = rtl;
external.sizes = rtl.Dictionary();
