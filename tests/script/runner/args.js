console.log(rtl.ParamCount + ":" + rtl.Params(1) + ":" + rtl.Params(2));
