// Http.Get of one URL; fails unless the body has the expected size. Parameters: URL, size.
var body = rtl.Http().Get(rtl.Params(1));
if (!body || body.length !== Number(rtl.Params(2))) throw new Error("got " + (body ? body.length : body) + " bytes");
