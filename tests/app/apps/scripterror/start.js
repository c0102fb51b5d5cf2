external.rtl = rtl;
throw new Error("boom");
